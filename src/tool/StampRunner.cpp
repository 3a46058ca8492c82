#include "StampRunner.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <future>
#include <mutex>

namespace imprimata {

namespace {

// One spelling per file, whether or not it exists yet: links and ".." resolved.
QString fileKey(const QString &path) {
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = info.absolutePath();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    return QDir(canonicalFolder.isEmpty() ? QDir::cleanPath(folder) : canonicalFolder)
        .filePath(info.fileName());
}

QString shown(const QString &path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

std::vector<PictureTask> planTasks(const StampOptions &options) {
    std::vector<PictureTask> tasks;
    QSet<QString> inputs;
    for (const QString &picture : options.pictures)
        inputs.insert(fileKey(picture));

    QHash<QString, qsizetype> outputs;
    for (qsizetype i = 0; i < options.pictures.size(); ++i) {
        PictureTask task;
        task.input = options.pictures[i];
        task.output = options.outDir.isEmpty()
                          ? options.output
                          : QDir(options.outDir).filePath(QFileInfo(task.input).fileName());
        const QString key = fileKey(task.output);
        if (inputs.contains(key)) {
            task.refusal =
                fileKey(task.input) == key
                    ? QStringLiteral("the output %1 is the picture itself").arg(shown(task.output))
                    : QStringLiteral("the output %1 is another picture of this batch")
                          .arg(shown(task.output));
        } else if (const auto out = outputs.constFind(key); out != outputs.constEnd()) {
            task.refusal = QStringLiteral("the output %1 is already written for %2")
                               .arg(shown(task.output), shown(options.pictures[out.value()]));
        } else {
            outputs.insert(key, i);
        }
        tasks.push_back(task);
    }
    return tasks;
}

int runStamping(const StampOptions &options, const LineSink &errorLine) {
    // What stops the whole run is told apart from the lines about single pictures.
    const auto stop = [&errorLine](const QString &why) {
        errorLine(QStringLiteral("imprimata-stamp: ") + why);
        return BadInvocation;
    };
    PreparedMark mark;
    if (const Result<void> loaded = mark.load(options.markPath); !loaded)
        return stop(loaded.error());
    if (!options.outDir.isEmpty()) {
        const QFileInfo dir(options.outDir);
        if (dir.exists() && !dir.isDir())
            return stop(QStringLiteral("%1 is not a folder").arg(shown(options.outDir)));
        if (!dir.exists() && !QDir().mkpath(options.outDir))
            return stop(
                QStringLiteral("%1: the folder cannot be created").arg(shown(options.outDir)));
    }

    const std::vector<PictureTask> tasks = planTasks(options);
    const qsizetype count = static_cast<qsizetype>(tasks.size());
    const bool several = count > 1;
    std::mutex reporting;
    qsizetype done = 0, failed = 0;
    const auto report = [&](const PictureTask &task, const Result<PictureWritten> &result) {
        const std::lock_guard lock(reporting);
        ++done;
        if (!result)
            ++failed;
        QString line = several ? QStringLiteral("[%1/%2] %3").arg(done).arg(count).arg(task.input)
                               : task.input;
        const QString &note = result ? result->warning : result.error();
        if (!note.isEmpty())
            line += QStringLiteral(": ") + note;
        if (several || !note.isEmpty())
            errorLine(line);
    };

    // Each worker holds one picture at a time, so memory grows with --jobs, not the batch,
    // and the pictures held at once share one budget.
    // The workers start reading at once; they wait for the mark once they hold a picture.
    std::promise<void> drawing;
    const std::shared_future<void> drawn = drawing.get_future().share();
    const auto untilDrawn = [&drawn] { drawn.wait(); };
    const int jobs = options.jobs > 0 ? options.jobs : std::max(1, QThread::idealThreadCount());
    MemoryBudget budget;
    QThreadPool pool;
    pool.setMaxThreadCount(static_cast<int>(std::min<qsizetype>(jobs, count)));
    for (const PictureTask &task : tasks)
        pool.start([&mark, &untilDrawn, &task, &options, &report, &budget] {
            report(task, stampPicture(mark, untilDrawn, task, options, budget));
        });
    mark.finish();
    drawing.set_value();
    pool.waitForDone();

    if (several)
        errorLine(QStringLiteral("%1 stamped, %2 failed").arg(count - failed).arg(failed));
    return failed == 0 ? AllStamped : SomeFailed;
}

} // namespace imprimata
