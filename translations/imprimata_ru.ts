<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>imprimata</name>
    <message>
        <source>the JPEG data could not be kept: %1</source>
        <translation>данные JPEG не удалось сохранить: %1</translation>
    </message>
    <message>
        <source>the JPEG blocks could not be decoded</source>
        <translation>блоки JPEG не удалось декодировать</translation>
    </message>
    <message>
        <source>the JPEG data is damaged</source>
        <translation>данные JPEG повреждены</translation>
    </message>
    <message>
        <source>its coding cannot be kept block by block</source>
        <translation>его кодирование нельзя сохранить поблочно</translation>
    </message>
    <message>
        <source>there is no picture to write</source>
        <translation>нет изображения для записи</translation>
    </message>
    <message>
        <source>a CMYK picture is decoded whole</source>
        <translation>изображение CMYK декодируется целиком</translation>
    </message>
    <message>
        <source>The picture was saved, but its camera data could not be kept: %1.</source>
        <translation>Изображение сохранено, но данные камеры сохранить не удалось: %1.</translation>
    </message>
    <message>
        <source>The picture was saved, but not all of its camera data could be kept: %1.</source>
        <translation>Изображение сохранено, но не все данные камеры удалось сохранить: %1.</translation>
    </message>
    <message>
        <source>its EXIF block is damaged</source>
        <translation>его блок EXIF повреждён</translation>
    </message>
    <message>
        <source>its EXIF block is too large</source>
        <translation>его блок EXIF слишком велик</translation>
    </message>
    <message>
        <source>its XMP could not be written</source>
        <translation>его XMP не удалось записать</translation>
    </message>
    <message>
        <source>its XMP is too large</source>
        <translation>его XMP слишком велик</translation>
    </message>
    <message>
        <source>the new file could not be read back</source>
        <translation>новый файл не удалось прочитать снова</translation>
    </message>
    <message>
        <source>its metadata could not be removed: %1</source>
        <translation>его метаданные не удалось удалить: %1</translation>
    </message>
    <message>
        <source>the file could not be read back</source>
        <translation>файл не удалось прочитать снова</translation>
    </message>
    <message>
        <source>its XMP data could not be written again</source>
        <translation>его данные XMP не удалось записать снова</translation>
    </message>
    <message>
        <source>the file format keeps some of it</source>
        <translation>формат файла сохраняет часть из них</translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 не является обычным файлом</translation>
    </message>
    <message>
        <source>the file already exists</source>
        <translation>файл уже существует</translation>
    </message>
    <message>
        <source>saved with 8 bits per channel (the source has more)</source>
        <translation>сохранено с 8 битами на канал (в исходном больше)</translation>
    </message>
    <message>
        <source>The picture %1 is too large to open (%2 × %3 pixels).</source>
        <translation>Изображение %1 слишком велико, чтобы его открыть (%2 × %3 пикселей).</translation>
    </message>
    <message>
        <source>The picture %1 is damaged or incomplete and was not opened.</source>
        <translation>Изображение %1 повреждено или неполно и не было открыто.</translation>
    </message>
    <message>
        <source>%1 is not a regular file.</source>
        <translation>%1 не является обычным файлом.</translation>
    </message>
    <message>
        <source>%1 is not a JPEG file</source>
        <translation>%1 не является файлом JPEG</translation>
    </message>
    <message>
        <source>%1 is not stored upright</source>
        <translation>%1 хранится не в прямом положении</translation>
    </message>
    <message>
        <source>Stamps an ownership mark into photographs. Given a folder, it starts
browsing there; given a picture, it browses the picture&apos;s folder with
that picture shown.</source>
        <translation>Ставит знак владельца на фотографии. Если указана папка, начинает
просмотр с неё; если указано изображение, открывает его папку
и показывает это изображение.</translation>
    </message>
    <message>
        <source>a picture (JPEG, BMP, GIF, PNG, TIFF, WebP) or a folder</source>
        <translation>изображение (JPEG, BMP, GIF, PNG, TIFF, WebP) или папка</translation>
    </message>
    <message>
        <source>[PICTURE | FOLDER]</source>
        <translation>[ИЗОБРАЖЕНИЕ | ПАПКА]</translation>
    </message>
    <message>
        <source>show this text</source>
        <translation>показать этот текст</translation>
    </message>
    <message>
        <source>show the version</source>
        <translation>показать версию</translation>
    </message>
    <message>
        <source>Usage: imprimata [options] [PICTURE | FOLDER]</source>
        <translation>Использование: imprimata [параметры] [ИЗОБРАЖЕНИЕ | ПАПКА]</translation>
    </message>
    <message>
        <source>imprimata: no graphical display found (DISPLAY is not set).
Start it from a desktop session, or on a machine without one run:
  xvfb-run -a %1
</source>
        <translation>imprimata: графический дисплей не найден (DISPLAY не задан).
Запустите программу из сеанса рабочего стола, а на машине без него выполните:
  xvfb-run -a %1
</translation>
    </message>
    <message>
        <source>give one picture or folder</source>
        <translation>укажите одно изображение или одну папку</translation>
    </message>
    <message>
        <source>imprimata: %1
Try imprimata --help.
</source>
        <translation>imprimata: %1
См. imprimata --help.
</translation>
    </message>
    <message>
        <source>the mark has no text</source>
        <translation>у знака нет текста</translation>
    </message>
    <message>
        <source>the mark has no image</source>
        <translation>у знака нет изображения</translation>
    </message>
    <message>
        <source>the mark is neither a text nor an image mark</source>
        <translation>знак не является ни текстовым, ни графическим</translation>
    </message>
    <message>
        <source>the mark has no size</source>
        <translation>у знака нет размера</translation>
    </message>
    <message>
        <source>the mark would be too large at that size (%1 × %2 pixels)</source>
        <translation>при таком размере знак был бы слишком велик (%1 × %2 пикселей)</translation>
    </message>
    <message>
        <source>%1 already exists (--overwrite replaces it)</source>
        <translation>%1 уже существует (--overwrite заменяет его)</translation>
    </message>
    <message>
        <source>the mark does not overlap the picture</source>
        <translation>знак не попадает на изображение</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>%1 не удаётся записать: %2</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>недостаточно памяти</translation>
    </message>
    <message>
        <source>the output %1 already exists</source>
        <translation>результат %1 уже существует</translation>
    </message>
    <message>
        <source>the output %1 is the picture itself</source>
        <translation>результат %1 — это само изображение</translation>
    </message>
    <message>
        <source>the output %1 is another picture of this batch</source>
        <translation>результат %1 — другое изображение этого пакета</translation>
    </message>
    <message>
        <source>the output %1 is already written for %2</source>
        <translation>результат %1 уже записывается для %2</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 не является папкой</translation>
    </message>
    <message>
        <source>%1: the folder cannot be created</source>
        <translation>%1: папку не удаётся создать</translation>
    </message>
    <message>
        <source>%1: skipped, %2</source>
        <translation>%1: пропущено, %2</translation>
    </message>
    <message>
        <source>%1 stamped, %2 skipped, %3 failed</source>
        <translation>со знаком: %1, пропущено: %2, с ошибкой: %3</translation>
    </message>
    <message>
        <source>%1 stamped, %2 failed</source>
        <translation>со знаком: %1, с ошибкой: %2</translation>
    </message>
    <message>
        <source>The Imprimata window does not overlap the picture.</source>
        <translation>Окно Imprimata не перекрывает изображение.</translation>
    </message>
    <message>
        <source>The Imprimata window does not lie within the picture.</source>
        <translation>Окно Imprimata лежит не целиком на изображении.</translation>
    </message>
    <message>
        <source>Solid</source>
        <comment>print mode</comment>
        <translation>Сплошной</translation>
    </message>
    <message>
        <source>Outline</source>
        <comment>print mode</comment>
        <translation>Контур</translation>
    </message>
    <message>
        <source>Colouring</source>
        <comment>print mode</comment>
        <translation>Окраска</translation>
    </message>
    <message>
        <source>Opaque</source>
        <comment>transparency</comment>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Low</source>
        <comment>transparency</comment>
        <translation>Низкая</translation>
    </message>
    <message>
        <source>High</source>
        <comment>transparency</comment>
        <translation>Высокая</translation>
    </message>
    <message>
        <source>No</source>
        <comment>relief</comment>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Low</source>
        <comment>relief</comment>
        <translation>Низкий</translation>
    </message>
    <message>
        <source>High</source>
        <comment>relief</comment>
        <translation>Высокий</translation>
    </message>
    <message>
        <source>Low</source>
        <comment>contrast</comment>
        <translation>Низкий</translation>
    </message>
    <message>
        <source>Middle</source>
        <comment>contrast</comment>
        <translation>Средний</translation>
    </message>
    <message>
        <source>High</source>
        <comment>contrast</comment>
        <translation>Высокий</translation>
    </message>
    <message>
        <source>TEXT</source>
        <translation>ТЕКСТ</translation>
    </message>
    <message>
        <source>IMAGE</source>
        <translation>ИЗОБРАЖЕНИЕ</translation>
    </message>
    <message>
        <source>Alpha (the picture&apos;s own transparency)</source>
        <translation>Альфа (собственная прозрачность изображения)</translation>
    </message>
    <message>
        <source>The mark has no size, so there is nothing to insert. Give it a size with New or Edit.</source>
        <translation>У знака нет размера, поэтому вставлять нечего. Задайте размер командой «Создать» или «Изменить».</translation>
    </message>
    <message>
        <source>The mark has no text, so there is nothing to insert. Give it a text with New or Edit.</source>
        <translation>У знака нет текста, поэтому вставлять нечего. Задайте текст командой «Создать» или «Изменить».</translation>
    </message>
    <message>
        <source>The mark has no picture, so there is nothing to insert. Choose one with New or Edit.</source>
        <translation>У знака нет изображения, поэтому вставлять нечего. Выберите его командой «Создать» или «Изменить».</translation>
    </message>
    <message>
        <source>The mark is of a kind this version cannot draw (type %1), so nothing was inserted.</source>
        <translation>Знак такого вида эта версия нарисовать не может (тип %1), поэтому ничего не вставлено.</translation>
    </message>
    <message>
        <source>file header</source>
        <translation>заголовок файла</translation>
    </message>
    <message>
        <source>mark name</source>
        <translation>имя знака</translation>
    </message>
    <message>
        <source>image transparency</source>
        <translation>прозрачность изображения</translation>
    </message>
    <message>
        <source>font bold</source>
        <translation>полужирность шрифта</translation>
    </message>
    <message>
        <source>font character set</source>
        <translation>набор символов шрифта</translation>
    </message>
    <message>
        <source>font italic</source>
        <translation>курсив шрифта</translation>
    </message>
    <message>
        <source>font name</source>
        <translation>имя шрифта</translation>
    </message>
    <message>
        <source>font size</source>
        <translation>размер шрифта</translation>
    </message>
    <message>
        <source>font strikethrough</source>
        <translation>зачёркивание шрифта</translation>
    </message>
    <message>
        <source>font underline</source>
        <translation>подчёркивание шрифта</translation>
    </message>
    <message>
        <source>font weight</source>
        <translation>насыщенность шрифта</translation>
    </message>
    <message>
        <source>colour</source>
        <translation>цвет</translation>
    </message>
    <message>
        <source>mark height</source>
        <translation>высота знака</translation>
    </message>
    <message>
        <source>image path</source>
        <translation>путь к изображению</translation>
    </message>
    <message>
        <source>print mode</source>
        <translation>режим печати</translation>
    </message>
    <message>
        <source>level</source>
        <translation>уровень</translation>
    </message>
    <message>
        <source>raster operation</source>
        <translation>растровая операция</translation>
    </message>
    <message>
        <source>mark text</source>
        <translation>текст знака</translation>
    </message>
    <message>
        <source>mark type</source>
        <translation>тип знака</translation>
    </message>
    <message>
        <source>mark width</source>
        <translation>ширина знака</translation>
    </message>
    <message>
        <source>smooth edges</source>
        <translation>сглаживание краёв</translation>
    </message>
    <message>
        <source>Type mismatch on line %1: the %2 must be #TRUE# or #FALSE#, not &quot;%3&quot;.</source>
        <translation>Несоответствие типа в строке %1: значение «%2» должно быть #TRUE# или #FALSE#, а не &quot;%3&quot;.</translation>
    </message>
    <message>
        <source>Overflow on line %1: the %2 must lie between %3 and %4, not %5.</source>
        <translation>Переполнение в строке %1: значение «%2» должно лежать между %3 и %4, а не %5.</translation>
    </message>
    <message>
        <source>Overflow on line %1: the %2 %3 is too large.</source>
        <translation>Переполнение в строке %1: значение «%2» %3 слишком велико.</translation>
    </message>
    <message>
        <source>%1 on line %2: %3</source>
        <translation>%1 в строке %2: %3</translation>
    </message>
    <message>
        <source>Input past end of file: the file ends before the %1 (line %2).</source>
        <translation>Чтение за концом файла: файл кончается раньше, чем значение «%1» (строка %2).</translation>
    </message>
    <message>
        <source>Bad file format on line %1: the %2 is followed by text after its closing quote.</source>
        <translation>Неверный формат файла в строке %1: после закрывающей кавычки значения «%2» идёт текст.</translation>
    </message>
    <message>
        <source>Input past end of file: the quote that opens the %1 on line %2 is never closed.</source>
        <translation>Чтение за концом файла: кавычка, открывающая значение «%1» в строке %2, так и не закрыта.</translation>
    </message>
    <message>
        <source>Type mismatch on line %1: the %2 must be a number, not &quot;%3&quot;.</source>
        <translation>Несоответствие типа в строке %1: значение «%2» должно быть числом, а не &quot;%3&quot;.</translation>
    </message>
    <message>
        <source>%1: The file is too large to be a mark file.</source>
        <translation>%1: файл слишком велик для файла знака.</translation>
    </message>
    <message>
        <source>The %1 contains a double quote (&quot;), which a mark file cannot store. Nothing was saved.</source>
        <translation>Значение «%1» содержит двойную кавычку (&quot;), которую файл знака хранить не может. Ничего не сохранено.</translation>
    </message>
    <message>
        <source>the %1 must be 0, 1 or 2, not %2.</source>
        <translation>значение «%1» должно быть 0, 1 или 2, а не %2.</translation>
    </message>
    <message>
        <source>the font character set must lie between 0 and 255, not %1.</source>
        <translation>набор символов шрифта должен лежать между 0 и 255, а не %1.</translation>
    </message>
    <message>
        <source>the font size must be greater than 0 and at most %1 points, not %2.</source>
        <translation>размер шрифта должен быть больше 0 и не больше %1 пунктов, а не %2.</translation>
    </message>
    <message>
        <source>the font weight must lie between 0 and 1000, not %1.</source>
        <translation>насыщенность шрифта должна лежать между 0 и 1000, а не %1.</translation>
    </message>
    <message>
        <source>the colour %1 is neither a red, green and blue value nor a system colour.</source>
        <translation>цвет %1 не является ни значением красного, зелёного и синего, ни системным цветом.</translation>
    </message>
    <message>
        <source>the raster operation %1 is not one of the editor&apos;s eight.</source>
        <translation>растровая операция %1 не входит в восемь операций редактора.</translation>
    </message>
    <message>
        <source>The file cannot be created.</source>
        <translation>Файл не удаётся создать.</translation>
    </message>
    <message>
        <source>The file cannot be written.</source>
        <translation>Файл не удаётся записать.</translation>
    </message>
    <message>
        <source>Invalid file structure</source>
        <translation>Неверная структура файла</translation>
    </message>
    <message>
        <source>Try imprimata-stamp --help.</source>
        <translation>См. imprimata-stamp --help.</translation>
    </message>
    <message>
        <source>the mark file saved by Imprimata (&quot;Save as ...&quot; in its mark menu)</source>
        <translation>файл знака, сохранённый Imprimata («Сохранить как ...» в её меню знака)</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>ФАЙЛ</translation>
    </message>
    <message>
        <source>where the mark goes, in picture pixels (default 0,0): the pixel under the top-left pixel of the mark view, which is the mark&apos;s size plus a pixel on each side. Negative values and places past the edges are allowed; only the part that lies on the picture is stamped.</source>
        <translation>куда ставится знак, в пикселях изображения (по умолчанию 0,0): пиксель под левым верхним пикселем вида знака, который равен размеру знака плюс пиксель с каждой стороны. Допускаются отрицательные значения и места за краями; ставится только та часть, что лежит на изображении.</translation>
    </message>
    <message>
        <source>X,Y</source>
        <translation>X,Y</translation>
    </message>
    <message>
        <source>top-left (default), top-right, bottom-left, bottom-right or centre: X and Y then run inward from that corner of the picture to the same corner of the mark view (for centre, from centre to centre, X to the right and Y down), so one command marks portrait and landscape pictures alike.</source>
        <translation>top-left (по умолчанию), top-right, bottom-left, bottom-right или centre: X и Y тогда отсчитываются внутрь от этого угла изображения до того же угла вида знака (для centre — от центра до центра, X вправо и Y вниз), так что одна команда одинаково помечает книжные и альбомные изображения.</translation>
    </message>
    <message>
        <source>CORNER</source>
        <translation>УГОЛ</translation>
    </message>
    <message>
        <source>JPEG and WebP quality from 1 to 100 (100 makes a lossless WebP); encodes the whole picture again (default: a JPEG&apos;s own quality, else %1)</source>
        <translation>качество JPEG и WebP от 1 до 100 (100 даёт WebP без потерь); всё изображение кодируется заново (по умолчанию: собственное качество JPEG, иначе %1)</translation>
    </message>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>encode the whole picture again even from a JPEG, at its own quality and sampling</source>
        <translation>кодировать всё изображение заново даже из JPEG, с его собственным качеством и субдискретизацией</translation>
    </message>
    <message>
        <source>make the mark P percent (1 to 100, decimals allowed) of each picture&apos;s width, its height in proportion: a text mark&apos;s font is scaled, an image mark&apos;s picture resampled smoothly. --at and --anchor then place the scaled mark.</source>
        <translation>сделать ширину знака равной P процентам (от 1 до 100, можно с дробью) ширины каждого изображения, высоту — пропорционально: шрифт текстового знака масштабируется, изображение графического знака плавно пересчитывается. --at и --anchor тогда размещают масштабированный знак.</translation>
    </message>
    <message>
        <source>P%</source>
        <translation>P%</translation>
    </message>
    <message>
        <source>location: remove where the pictures were taken (EXIF GPS data, XMP and IPTC location fields) from the outputs; all: remove every metadata block but the colour profile</source>
        <translation>location: удалить из результатов место съёмки (данные GPS в EXIF, поля местоположения XMP и IPTC); all: удалить все блоки метаданных, кроме цветового профиля</translation>
    </message>
    <message>
        <source>WHAT</source>
        <translation>ЧТО</translation>
    </message>
    <message>
        <source>replace output files that already exist</source>
        <translation>заменять уже существующие файлы результатов</translation>
    </message>
    <message>
        <source>leave output files that already exist as they are and skip their pictures, which is no failure: an interrupted run, started again, does only what is left</source>
        <translation>оставлять уже существующие файлы результатов как есть и пропускать их изображения, что не считается ошибкой: прерванный запуск, начатый снова, делает только оставшееся</translation>
    </message>
    <message>
        <source>pictures stamped at the same time (default: one per core, %1 here)</source>
        <translation>сколько изображений обрабатывать одновременно (по умолчанию: по одному на ядро, здесь %1)</translation>
    </message>
    <message>
        <source>the output file for a single PICTURE</source>
        <translation>файл результата для одного ИЗОБРАЖЕНИЯ</translation>
    </message>
    <message>
        <source>OUTPUT</source>
        <translation>РЕЗУЛЬТАТ</translation>
    </message>
    <message>
        <source>the folder for the outputs, created when missing; each output keeps its picture&apos;s file name</source>
        <translation>папка для результатов, создаётся при отсутствии; каждый результат сохраняет имя файла своего изображения</translation>
    </message>
    <message>
        <source>DIR</source>
        <translation>ПАПКА</translation>
    </message>
    <message>
        <source>stamp the pictures named in FILE, one a line, besides those named on the command line; - reads the list from standard input</source>
        <translation>ставить знак на изображения, перечисленные в ФАЙЛЕ по одному в строке, помимо указанных в командной строке; - читает список со стандартного ввода</translation>
    </message>
    <message>
        <source>the names of the list end in a NUL character, not a line end, as find -print0 writes them; names may then hold line ends</source>
        <translation>имена в списке оканчиваются символом NUL, а не концом строки, как их пишет find -print0; тогда имена могут содержать концы строк</translation>
    </message>
    <message>
        <source>stamp only this run&apos;s share of the pictures, when N runs split one batch: those at positions K, K + N, K + 2N ... (from 0) of all the pictures sorted by name. Each run gets the same pictures and options and its own K, from 0 up to N minus 1; together they stamp every picture once.</source>
        <translation>ставить знак только на долю изображений этого запуска, когда N запусков делят один пакет: на те, что стоят на местах K, K + N, K + 2N ... (с 0) среди всех изображений, упорядоченных по имени. Каждый запуск получает те же изображения и параметры и свой K, от 0 до N минус 1; вместе они ставят знак на каждое изображение один раз.</translation>
    </message>
    <message>
        <source>K/N</source>
        <translation>K/N</translation>
    </message>
    <message>
        <source>json: also write one JSON object a line on standard output for each picture and one for the whole run (see Report below); progress stays on standard error</source>
        <translation>json: также писать на стандартный вывод по одному объекту JSON в строке на каждое изображение и один на весь запуск (см. «Отчёт» ниже); ход работы остаётся в стандартном потоке ошибок</translation>
    </message>
    <message>
        <source>FORMAT</source>
        <translation>ФОРМАТ</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>неизвестный параметр %1</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 требует значения</translation>
    </message>
    <message>
        <source>--at wants two whole numbers X,Y, not &quot;%1&quot;</source>
        <translation>--at требует двух целых чисел X,Y, а не &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--anchor wants top-left, top-right, bottom-left, bottom-right or centre, not &quot;%1&quot;</source>
        <translation>--anchor требует top-left, top-right, bottom-left, bottom-right или centre, а не &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--quality wants a number from 1 to 100, not &quot;%1&quot;</source>
        <translation>--quality требует числа от 1 до 100, а не &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--size wants a percentage from 1 to 100, like 10% or 12.5%, not &quot;%1&quot;</source>
        <translation>--size требует процента от 1 до 100, например 10% или 12.5%, а не &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--strip wants location or all, not &quot;%1&quot;</source>
        <translation>--strip требует location или all, а не &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--jobs wants a number from 1 to %1, not &quot;%2&quot;</source>
        <translation>--jobs требует числа от 1 до %1, а не &quot;%2&quot;</translation>
    </message>
    <message>
        <source>--shard wants K/N, two whole numbers with 0 &lt;= K &lt; N, not &quot;%1&quot;</source>
        <translation>--shard требует K/N, двух целых чисел с 0 &lt;= K &lt; N, а не &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--report wants json, not &quot;%1&quot;</source>
        <translation>--report требует json, а не &quot;%1&quot;</translation>
    </message>
    <message>
        <source>no mark file: give one with --mark</source>
        <translation>нет файла знака: укажите его в --mark</translation>
    </message>
    <message>
        <source>give either --overwrite or --skip-existing, not both</source>
        <translation>укажите либо --overwrite, либо --skip-existing, но не оба</translation>
    </message>
    <message>
        <source>give either -o or --out-dir, not both</source>
        <translation>укажите либо -o, либо --out-dir, но не оба</translation>
    </message>
    <message>
        <source>no output: give -o OUTPUT for one picture or --out-dir DIR</source>
        <translation>нет результата: укажите -o РЕЗУЛЬТАТ для одного изображения или --out-dir ПАПКА</translation>
    </message>
    <message>
        <source>-0 describes the list of --from-list, and there is none</source>
        <translation>-0 описывает список --from-list, а его нет</translation>
    </message>
    <message>
        <source>no picture to stamp</source>
        <translation>нет изображения для знака</translation>
    </message>
    <message>
        <source>-o takes one picture; use --out-dir for several</source>
        <translation>-o принимает одно изображение; для нескольких используйте --out-dir</translation>
    </message>
    <message>
        <source>the picture list %1 cannot be read: %2</source>
        <translation>список изображений %1 не удаётся прочитать: %2</translation>
    </message>
    <message>
        <source>on standard input</source>
        <translation>на стандартном вводе</translation>
    </message>
    <message>
        <source>Usage: imprimata-stamp --mark MARK.$IM [options] -o OUTPUT PICTURE
       imprimata-stamp --mark MARK.$IM [options] --out-dir DIR PICTURE...
       imprimata-stamp --mark MARK.$IM [options] --out-dir DIR --from-list LIST

Stamps the mark of an Imprimata mark file into pictures, pixel for pixel as
Imprimata&apos;s Insert does with the placement window at the same place, and
saves the results. No display is needed.
</source>
        <translation>Использование: imprimata-stamp --mark ЗНАК.$IM [параметры] -o РЕЗУЛЬТАТ ИЗОБРАЖЕНИЕ
       imprimata-stamp --mark ЗНАК.$IM [параметры] --out-dir ПАПКА ИЗОБРАЖЕНИЕ...
       imprimata-stamp --mark ЗНАК.$IM [параметры] --out-dir ПАПКА --from-list СПИСОК

Ставит знак из файла знака Imprimata на изображения, пиксель в пиксель так же,
как команда «Вставить» в Imprimata при окне размещения в том же месте,
и сохраняет результаты. Дисплей не нужен.
</translation>
    </message>
    <message>
        <source>The output&apos;s name decides its format, as in Imprimata, in any letter case:
.bmp is written as a bitmap, .png as PNG, .tif or .tiff as TIFF, .webp as
WebP (lossy at --quality, lossless at --quality 100), any other name as
JPEG. Pictures are read from JPEG, BMP, GIF, PNG, TIFF and WebP files.
JPEG, PNG, TIFF and WebP outputs keep the picture&apos;s EXIF, IPTC (not WebP)
and XMP metadata and its colour profile, unless --strip removes them; PNG,
TIFF and WebP outputs keep its transparency. A picture of 16 bits a channel
is saved with 8, and its line says so. A JPEG stamped into a JPEG loses
nothing outside the mark: only the blocks of 8 x 8 or 16 x 16 pixels that
the mark touches are encoded again, with the picture&apos;s own quality.
Outputs are written whole or not at all. Nothing is overwritten without
--overwrite, and a picture of the batch is never overwritten. With
--skip-existing a picture whose output exists is skipped, not failed, so
a run that was stopped can be started again as it was.
</source>
        <translation>Имя результата определяет его формат, как в Imprimata, в любом регистре:
.bmp пишется точечным рисунком, .png как PNG, .tif или .tiff как TIFF, .webp
как WebP (с потерями при --quality, без потерь при --quality 100), любое
другое имя как JPEG. Изображения читаются из файлов JPEG, BMP, GIF, PNG,
TIFF и WebP. Результаты JPEG, PNG, TIFF и WebP сохраняют метаданные EXIF,
IPTC (кроме WebP) и XMP изображения и его цветовой профиль, если их не
удаляет --strip; результаты PNG, TIFF и WebP сохраняют его прозрачность.
Изображение с 16 битами на канал сохраняется с 8, и его строка об этом
говорит. JPEG, на который ставится знак в JPEG, ничего не теряет вне знака:
заново, с собственным качеством изображения, кодируются только блоки
8 x 8 или 16 x 16 пикселей, которых касается знак.
Результаты записываются целиком или не записываются вовсе. Без --overwrite
ничего не перезаписывается, а изображение пакета не перезаписывается
никогда. С --skip-existing изображение, результат которого существует,
пропускается, а не считается ошибкой, так что остановленный запуск можно
начать снова как был.
</translation>
    </message>
    <message>
        <source>A picture that cannot be stamped (unreadable, damaged, too large, missed by
the mark, not writable) gets one line on standard error naming it and the
reason, and no output; the others go on. With several pictures, each one
gets a progress line and a summary closes the run.
</source>
        <translation>Изображение, на которое нельзя поставить знак (нечитаемое, повреждённое,
слишком большое, не задетое знаком, незаписываемое), получает одну строку
в стандартном потоке ошибок с его именем и причиной и не получает
результата; остальные продолжаются. При нескольких изображениях каждое
получает строку хода работы, а запуск завершается итогом.
</translation>
    </message>
    <message>
        <source>Exit status:
  0  every picture stamped or skipped (with --shard, of this share)
  1  some pictures failed
  2  bad arguments, an unreadable list or a mark file that cannot be used
     (nothing is stamped then)
</source>
        <translation>Код завершения:
  0  знак поставлен на все изображения или они пропущены (с --shard — этой доли)
  1  с некоторыми изображениями ошибка
  2  неверные аргументы, нечитаемый список или непригодный файл знака
     (тогда знак не ставится ни на что)
</translation>
    </message>
    <message>
        <source>Report: with --report json, standard output gets a line for each picture
of the run as it finishes, then one for the run, each a JSON object:
  {&quot;input&quot;:&quot;a.jpg&quot;,&quot;message&quot;:&quot;&quot;,&quot;milliseconds&quot;:84,
   &quot;output&quot;:&quot;marked/a.jpg&quot;,&quot;status&quot;:&quot;stamped&quot;,&quot;type&quot;:&quot;picture&quot;}
status is stamped, failed or skipped; message says why it failed or was
skipped, or what a stamped picture lost, and is empty otherwise. The last
line counts the run:
  {&quot;exitStatus&quot;:1,&quot;failed&quot;:1,&quot;milliseconds&quot;:5210,&quot;skipped&quot;:0,
   &quot;stamped&quot;:41,&quot;type&quot;:&quot;summary&quot;}
With --shard, a run reports the pictures of its share alone. A run that
cannot start (exit status 2) writes nothing there.
</source>
        <translation>Отчёт: с --report json стандартный вывод получает строку на каждое изображение
запуска по мере готовности, затем одну на весь запуск, каждая — объект JSON:
  {&quot;input&quot;:&quot;a.jpg&quot;,&quot;message&quot;:&quot;&quot;,&quot;milliseconds&quot;:84,
   &quot;output&quot;:&quot;marked/a.jpg&quot;,&quot;status&quot;:&quot;stamped&quot;,&quot;type&quot;:&quot;picture&quot;}
status — stamped, failed или skipped; message говорит, почему была ошибка
или пропуск, или что потеряло изображение со знаком, а иначе пусто.
Последняя строка подводит итог запуска:
  {&quot;exitStatus&quot;:1,&quot;failed&quot;:1,&quot;milliseconds&quot;:5210,&quot;skipped&quot;:0,
   &quot;stamped&quot;:41,&quot;type&quot;:&quot;summary&quot;}
С --shard запуск сообщает только об изображениях своей доли. Запуск, который
не может начаться (код завершения 2), туда ничего не пишет.
</translation>
    </message>
    <message>
        <source>Examples: mark a folder of photographs 40 pixels in from the bottom-right
corner, whichever way up they are:
  imprimata-stamp --mark &apos;signature.$IM&apos; --anchor bottom-right --at 40,40 \
                  --out-dir marked holiday/*.jpg
Every JPEG under a folder, the second of three machines&apos; shares:
  find photos -name &apos;*.jpg&apos; -print0 |
    imprimata-stamp --mark &apos;signature.$IM&apos; --out-dir marked --from-list - -0 \
                    --shard 1/3
The pictures that failed, from the report:
  imprimata-stamp --mark &apos;signature.$IM&apos; --out-dir marked --report json \
                  --skip-existing holiday/*.jpg |
    jq -r &apos;select(.status == &quot;failed&quot;) | &quot;\(.input): \(.message)&quot;&apos;
</source>
        <translation>Примеры: пометить папку фотографий в 40 пикселях от правого нижнего угла,
как бы они ни были повёрнуты:
  imprimata-stamp --mark &apos;signature.$IM&apos; --anchor bottom-right --at 40,40 \
                  --out-dir marked holiday/*.jpg
Все JPEG в папке, вторая из долей трёх машин:
  find photos -name &apos;*.jpg&apos; -print0 |
    imprimata-stamp --mark &apos;signature.$IM&apos; --out-dir marked --from-list - -0 \
                    --shard 1/3
Изображения с ошибкой, по отчёту:
  imprimata-stamp --mark &apos;signature.$IM&apos; --out-dir marked --report json \
                  --skip-existing holiday/*.jpg |
    jq -r &apos;select(.status == &quot;failed&quot;) | &quot;\(.input): \(.message)&quot;&apos;
</translation>
    </message>
    <message>
        <source>The picture&apos;s data is damaged or incomplete.</source>
        <translation>Данные изображения повреждены или неполны.</translation>
    </message>
    <message>
        <source>The rows asked for are not in the picture.</source>
        <translation>Запрошенных строк нет в изображении.</translation>
    </message>
    <message>
        <source>The blocks are not of this picture.</source>
        <translation>Блоки не относятся к этому изображению.</translation>
    </message>
    <message>
        <source>The picture&apos;s Huffman tables cannot code the changed blocks.</source>
        <translation>Таблицы Хаффмана изображения не могут закодировать изменённые блоки.</translation>
    </message>
</context>
<context>
    <name>imprimata::AboutBox</name>
    <message>
        <source>About program</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>%1 version %2.%3</source>
        <translation>%1, версия %2.%3</translation>
    </message>
    <message>
        <source>The Imprimata authors</source>
        <translation>Авторы Imprimata</translation>
    </message>
</context>
<context>
    <name>imprimata::FontChooser</name>
    <message>
        <source>Font</source>
        <translation>Шрифт</translation>
    </message>
    <message>
        <source>Bold</source>
        <translation>Полужирный</translation>
    </message>
    <message>
        <source>Italic</source>
        <translation>Курсив</translation>
    </message>
    <message>
        <source>Strikeout</source>
        <translation>Зачёркнутый</translation>
    </message>
    <message>
        <source>Underline</source>
        <translation>Подчёркнутый</translation>
    </message>
    <message>
        <source>AaBbYyZz</source>
        <translation>АаБбЯяZz</translation>
    </message>
    <message>
        <source>Font:</source>
        <translation>Шрифт:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Размер:</translation>
    </message>
    <message>
        <source>Effects</source>
        <translation>Эффекты</translation>
    </message>
    <message>
        <source>Colour:</source>
        <translation>Цвет:</translation>
    </message>
    <message>
        <source>Colour</source>
        <translation>Цвет</translation>
    </message>
</context>
<context>
    <name>imprimata::MainWindow</name>
    <message>
        <source>%1 cannot be read: no pictures are listed.</source>
        <translation>%1 не удаётся прочитать: изображения не показаны.</translation>
    </message>
    <message>
        <source>Reading %1 ...</source>
        <translation>Чтение %1 ...</translation>
    </message>
    <message>
        <source>Remove location</source>
        <translation>Удалить место съёмки</translation>
    </message>
    <message>
        <source>Saving %1 ...</source>
        <translation>Сохранение %1 ...</translation>
    </message>
    <message>
        <source>Saved %1: only the marked blocks were re-encoded</source>
        <translation>Сохранено %1: заново закодированы только блоки со знаком</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>Сохранено %1</translation>
    </message>
    <message>
        <source>There are no pictures to stamp.</source>
        <translation>Нет изображений, на которые можно поставить знак.</translation>
    </message>
    <message>
        <source>Nothing was stamped: %1</source>
        <translation>Знак не поставлен: %1</translation>
    </message>
    <message>
        <source>Stamp &amp;folder ...</source>
        <translation>Знак на всю &amp;папку ...</translation>
    </message>
    <message>
        <source>%1 × %2 pixels</source>
        <translation>%1 × %2 пикселей</translation>
    </message>
    <message>
        <source>, stamped and saved with 8 bits per channel (the picture has more)</source>
        <translation>, со знаком сохраняется с 8 битами на канал (в изображении больше)</translation>
    </message>
    <message>
        <source>1 stamp</source>
        <translation>1 знак</translation>
    </message>
    <message>
        <source>%1 stamps</source>
        <translation>знаков: %1</translation>
    </message>
    <message>
        <source>unsaved</source>
        <translation>не сохранено</translation>
    </message>
    <message>
        <source>The last mark was not loaded again: %1</source>
        <translation>Последний знак не загружен снова: %1</translation>
    </message>
    <message>
        <source>%1 does not exist.</source>
        <translation>%1 не существует.</translation>
    </message>
    <message>
        <source>%1 is not a picture Imprimata shows: it lists JPEG, BMP, GIF, PNG, TIFF and WebP files.</source>
        <translation>%1 — не изображение, которое показывает Imprimata: в списке бывают файлы JPEG, BMP, GIF, PNG, TIFF и WebP.</translation>
    </message>
    <message>
        <source>Show - DoubleClick</source>
        <translation>Показать — двойной щелчок</translation>
    </message>
    <message>
        <source>Bitmaps|*.bmp|JPEG Images|*.jpg;*.jpeg|PNG Images|*.png|TIFF Images|*.tif;*.tiff|WebP Images|*.webp|</source>
        <translation>Точечные рисунки|*.bmp|Изображения JPEG|*.jpg;*.jpeg|Изображения PNG|*.png|Изображения TIFF|*.tif;*.tiff|Изображения WebP|*.webp|</translation>
    </message>
    <message>
        <source>Save file as ...</source>
        <translation>Сохранить файл как ...</translation>
    </message>
    <message>
        <source>The marks inserted into %1 are lost unless you save them.</source>
        <translation>Знаки, вставленные в %1, пропадут, если их не сохранить.</translation>
    </message>
    <message>
        <source>Save the marked picture?</source>
        <translation>Сохранить изображение со знаком?</translation>
    </message>
    <message>
        <source>Imprimata Print</source>
        <translation>Imprimata Печать</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Show</source>
        <translation>&amp;Показать</translation>
    </message>
    <message>
        <source>Save &amp;as ...</source>
        <translation>Сохранить &amp;как ...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>В&amp;ыход</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Создать</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Изменить</translation>
    </message>
    <message>
        <source>&amp;Insert</source>
        <translation>&amp;Вставить</translation>
    </message>
    <message>
        <source>&amp;Undo Insert</source>
        <translation>&amp;Отменить вставку</translation>
    </message>
    <message>
        <source>&amp;Load</source>
        <translation>&amp;Загрузить</translation>
    </message>
    <message>
        <source>&amp;Save as ...</source>
        <translation>Со&amp;хранить как ...</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;О программе</translation>
    </message>
    <message>
        <source>The command failed unexpectedly.</source>
        <translation>Команда неожиданно завершилась неудачей.</translation>
    </message>
    <message>
        <source>Nothing was inserted: the mark&apos;s picture %1 cannot be read.
%2</source>
        <translation>Ничего не вставлено: изображение знака %1 не удаётся прочитать.
%2</translation>
    </message>
    <message>
        <source>Load Imprimata ...</source>
        <translation>Загрузить Imprimata ...</translation>
    </message>
    <message>
        <source>Imprimata files|*.$IM|</source>
        <translation>Файлы Imprimata|*.$IM|</translation>
    </message>
    <message>
        <source>All files|*|</source>
        <translation>Все файлы|*|</translation>
    </message>
    <message>
        <source>Save Imprimata as ...</source>
        <translation>Сохранить Imprimata как ...</translation>
    </message>
    <message>
        <source>%1[*] — Imprimata Print</source>
        <translation>%1[*] — Imprimata Печать</translation>
    </message>
</context>
<context>
    <name>imprimata::MarkEditor</name>
    <message>
        <source>Imprimata Options</source>
        <translation>Параметры Imprimata</translation>
    </message>
    <message>
        <source>Click to change Imprimata Type</source>
        <translation>Щёлкните, чтобы сменить тип Imprimata</translation>
    </message>
    <message>
        <source>Imprimata Type</source>
        <translation>Тип Imprimata</translation>
    </message>
    <message>
        <source>Imprimata Type = %1</source>
        <translation>Тип Imprimata = %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Imprimata Image</source>
        <translation>Изображение Imprimata</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Просмотр</translation>
    </message>
    <message>
        <source>Draw Style</source>
        <translation>Стиль рисования</translation>
    </message>
    <message>
        <source>Transparence</source>
        <translation>Прозрачность</translation>
    </message>
    <message>
        <source>Raster operation</source>
        <translation>Растровая операция</translation>
    </message>
    <message>
        <source>Load Image</source>
        <translation>Загрузить изображение</translation>
    </message>
    <message>
        <source>Special Symbols</source>
        <translation>Особые символы</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Шрифт</translation>
    </message>
    <message>
        <source>Print Mode</source>
        <translation>Режим печати</translation>
    </message>
    <message>
        <source>Relief</source>
        <translation>Рельеф</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Контраст</translation>
    </message>
    <message>
        <source>Smooth edges</source>
        <translation>Сглаживать края</translation>
    </message>
    <message>
        <source>Select Imprimata Image File</source>
        <translation>Выбор файла изображения Imprimata</translation>
    </message>
    <message>
        <source>Bitmaps, JPEG Images, GIF Images</source>
        <translation>Точечные рисунки, изображения JPEG, изображения GIF</translation>
    </message>
    <message>
        <source>Imprimata IMAGE file isn&apos;t defined.</source>
        <translation>Файл ИЗОБРАЖЕНИЯ Imprimata не задан.</translation>
    </message>
    <message>
        <source>Imprimata TEXT is empty.</source>
        <translation>ТЕКСТ Imprimata пуст.</translation>
    </message>
    <message>
        <source>Imprimata TEXT is too long.</source>
        <translation>ТЕКСТ Imprimata слишком длинный.</translation>
    </message>
</context>
<context>
    <name>imprimata::PlacementWindow</name>
    <message>
        <source>New… defines a mark</source>
        <translation>«Создать…» задаёт знак</translation>
    </message>
</context>
<context>
    <name>imprimata::StampFolderDialog</name>
    <message>
        <source>top left</source>
        <translation>левого верхнего</translation>
    </message>
    <message>
        <source>top right</source>
        <translation>правого верхнего</translation>
    </message>
    <message>
        <source>bottom left</source>
        <translation>левого нижнего</translation>
    </message>
    <message>
        <source>bottom right</source>
        <translation>правого нижнего</translation>
    </message>
    <message>
        <source>centre</source>
        <translation>центра</translation>
    </message>
    <message>
        <source>Stamp folder</source>
        <translation>Знак на всю папку</translation>
    </message>
    <message numerus="yes">
        <source>All %n pictures of the folder</source>
        <translation>
            <numerusform>Все %n изображение папки</numerusform>
            <numerusform>Все %n изображения папки</numerusform>
            <numerusform>Все %n изображений папки</numerusform>
        </translation>
    </message>
    <message>
        <source>The selected picture</source>
        <translation>Выбранное изображение</translation>
    </message>
    <message numerus="yes">
        <source>The %n selected pictures</source>
        <translation>
            <numerusform>%n выбранное изображение</numerusform>
            <numerusform>%n выбранных изображения</numerusform>
            <numerusform>%n выбранных изображений</numerusform>
        </translation>
    </message>
    <message>
        <source>Pictures:</source>
        <translation>Изображения:</translation>
    </message>
    <message>
        <source>As placed on this picture: %1 from its %2 corner</source>
        <translation>Как на этом изображении: %1 от %2 угла</translation>
    </message>
    <message>
        <source>%1, %2 pixels</source>
        <translation>%1, %2 пикс.</translation>
    </message>
    <message>
        <source>As placed on this picture (show a picture and place the mark on it)</source>
        <translation>Как на этом изображении (покажите изображение и поместите на него знак)</translation>
    </message>
    <message>
        <source>At the</source>
        <translation>От</translation>
    </message>
    <message>
        <source> px</source>
        <translation> пикс.</translation>
    </message>
    <message>
        <source>inward by</source>
        <translation>внутрь на</translation>
    </message>
    <message>
        <source>across and</source>
        <translation>по горизонтали и</translation>
    </message>
    <message>
        <source>down</source>
        <translation>по вертикали</translation>
    </message>
    <message>
        <source>Mark:</source>
        <translation>Знак:</translation>
    </message>
    <message>
        <source>&amp;Browse ...</source>
        <translation>&amp;Обзор ...</translation>
    </message>
    <message>
        <source>Output folder:</source>
        <translation>Папка результатов:</translation>
    </message>
    <message>
        <source>Replace pictures already there (otherwise they are skipped)</source>
        <translation>Заменять уже имеющиеся изображения (иначе они пропускаются)</translation>
    </message>
    <message>
        <source>Remove location</source>
        <translation>Удалить место съёмки</translation>
    </message>
    <message>
        <source>As the source</source>
        <translation>Как в исходном</translation>
    </message>
    <message>
        <source>As the source: only the blocks the mark touches are encoded again, at the picture&apos;s own quality</source>
        <translation>Как в исходном: заново кодируются только блоки под знаком, с собственным качеством изображения</translation>
    </message>
    <message>
        <source>JPEG quality:</source>
        <translation>Качество JPEG:</translation>
    </message>
    <message>
        <source>&amp;Stamp</source>
        <translation>&amp;Поставить знак</translation>
    </message>
    <message>
        <source>Choose the folder the stamped pictures go to.</source>
        <translation>Выберите папку для изображений со знаком.</translation>
    </message>
    <message>
        <source>The stamped pictures cannot replace the pictures themselves: choose another folder.</source>
        <translation>Изображения со знаком не могут заменить сами исходные изображения: выберите другую папку.</translation>
    </message>
    <message>
        <source>Output folder</source>
        <translation>Папка результатов</translation>
    </message>
    <message>
        <source>The folder&apos;s one picture</source>
        <translation>Единственное изображение папки</translation>
    </message>
</context>
<context>
    <name>imprimata::StampResultsDialog</name>
    <message>
        <source>about %1 min %2 s left</source>
        <translation>осталось около %1 мин %2 с</translation>
    </message>
    <message>
        <source>%1 stamped, %2 failed, %3 skipped</source>
        <translation>со знаком: %1, с ошибкой: %2, пропущено: %3</translation>
    </message>
    <message numerus="yes">
        <source>Cancelled: %n pictures were not begun.</source>
        <translation>
            <numerusform>Отменено: %n изображение не обработано.</numerusform>
            <numerusform>Отменено: %n изображения не обработаны.</numerusform>
            <numerusform>Отменено: %n изображений не обработано.</numerusform>
        </translation>
    </message>
    <message>
        <source>Stamp folder</source>
        <translation>Знак на всю папку</translation>
    </message>
    <message>
        <source>Stopping: the pictures being stamped are finished ...</source>
        <translation>Остановка: обрабатываемые изображения доделываются ...</translation>
    </message>
    <message>
        <source>estimating the time left</source>
        <translation>оценка оставшегося времени</translation>
    </message>
    <message>
        <source>Stamping %1
%2 of %3, %4</source>
        <translation>Знак на %1
%2 из %3, %4</translation>
    </message>
    <message>
        <source>The stamped pictures are in %1</source>
        <translation>Изображения со знаком находятся в %1</translation>
    </message>
    <message>
        <source>&amp;Open folder</source>
        <translation>&amp;Открыть папку</translation>
    </message>
    <message>
        <source>These pictures failed:</source>
        <translation>Эти изображения не обработаны:</translation>
    </message>
    <message>
        <source>about %1 s left</source>
        <translation>осталось около %1 с</translation>
    </message>
    <message>
        <source>Cancelled: 1 picture was not begun.</source>
        <translation>Отменено: 1 изображение не обработано.</translation>
    </message>
</context>
</TS>
