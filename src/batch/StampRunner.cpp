#include "StampRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
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

// The report's word for a status.
QString statusName(PictureStatus status) {
    static const char *const names[] = {"stamped", "failed", "skipped"};
    return QLatin1String(names[static_cast<int>(status)]);
}

// With --skip-existing an output already there is no failure, whether an earlier run wrote it
// or another run did while this one was stamping: nothing is left to do for its picture. A
// refused picture stays refused, since starting again would not change that.
PictureOutcome stampOrSkip(const PreparedMark &mark, const std::function<void()> &untilDrawn,
                           const PictureTask &task, const StampOptions &options,
                           MemoryBudget &budget) {
    const bool mayBeDone = options.skipExisting && task.refusal.isEmpty();
    const PictureOutcome done{
        task, PictureStatus::Skipped,
        QCoreApplication::translate("imprimata", "the output %1 already exists")
            .arg(shown(task.output))};
    if (mayBeDone && QFileInfo::exists(task.output))
        return done;
    const Result<PictureWritten> written = stampPicture(mark, untilDrawn, task, options, budget);
    if (written)
        return {task, PictureStatus::Stamped, written->warning};
    if (mayBeDone && QFileInfo::exists(task.output))
        return done;
    return {task, PictureStatus::Failed, written.error()};
}

// One object a line: the compact form holds no line end, as a string's are escaped.
QByteArray jsonLine(const QJsonObject &object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
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
            task.refusal = fileKey(task.input) == key
                               ? QCoreApplication::translate("imprimata",
                                                             "the output %1 is the picture itself")
                                     .arg(shown(task.output))
                               : QCoreApplication::translate(
                                     "imprimata", "the output %1 is another picture of this batch")
                                     .arg(shown(task.output));
        } else if (const auto out = outputs.constFind(key); out != outputs.constEnd()) {
            task.refusal =
                QCoreApplication::translate("imprimata", "the output %1 is already written for %2")
                    .arg(shown(task.output), shown(options.pictures[out.value()]));
        } else {
            outputs.insert(key, i);
        }
        tasks.push_back(task);
    }
    return tasks;
}

std::vector<PictureTask> shareTasks(const StampOptions &batch, Shard shard) {
    StampOptions sorted = batch;
    std::sort(sorted.pictures.begin(), sorted.pictures.end());
    const std::vector<PictureTask> tasks = planTasks(sorted);
    std::vector<PictureTask> share;
    for (std::size_t i = static_cast<std::size_t>(shard.index); i < tasks.size();
         i += static_cast<std::size_t>(shard.count))
        share.push_back(tasks[i]);
    return share;
}

int runStamping(const StampOptions &options, const LineSink &errorLine,
                const ReportSink &reportLine, const RunWatch &watch) {
    QElapsedTimer runTime;
    runTime.start();
    // What stops the whole run is told apart from the lines about single pictures.
    const auto stop = [&errorLine, &watch](const QString &why) {
        if (watch.refused)
            watch.refused(why);
        else
            errorLine(QStringLiteral("imprimata-stamp: ") + why);
        return BadInvocation;
    };
    PreparedMark mark;
    if (const Result<void> ready =
            options.mark ? mark.use(*options.mark) : mark.load(options.markPath);
        !ready)
        return stop(ready.error());
    if (!options.outDir.isEmpty()) {
        const QFileInfo dir(options.outDir);
        if (dir.exists() && !dir.isDir())
            return stop(QCoreApplication::translate("imprimata", "%1 is not a folder")
                            .arg(shown(options.outDir)));
        if (!dir.exists() && !QDir().mkpath(options.outDir))
            return stop(QCoreApplication::translate("imprimata", "%1: the folder cannot be created")
                            .arg(shown(options.outDir)));
    }

    const std::vector<PictureTask> tasks =
        options.shard ? shareTasks(options, *options.shard) : planTasks(options);
    const qsizetype count = static_cast<qsizetype>(tasks.size());
    const bool several = count > 1;
    const bool json = options.report == ReportFormat::Json && reportLine;
    std::mutex reporting;
    qsizetype done = 0, stamped = 0, failed = 0, skipped = 0;
    const auto report = [&](const PictureOutcome &outcome) {
        const std::lock_guard lock(reporting);
        const PictureTask &task = outcome.task;
        ++done;
        if (outcome.status == PictureStatus::Stamped)
            ++stamped;
        else if (outcome.status == PictureStatus::Failed)
            ++failed;
        else
            ++skipped;
        QString line = several ? QStringLiteral("[%1/%2] %3").arg(done).arg(count).arg(task.input)
                               : task.input;
        if (!outcome.message.isEmpty())
            line = outcome.status == PictureStatus::Skipped
                       ? QCoreApplication::translate("imprimata", "%1: skipped, %2")
                             .arg(line, outcome.message)
                       : QStringLiteral("%1: %2").arg(line, outcome.message);
        if (several || !outcome.message.isEmpty())
            errorLine(line);
        if (json)
            reportLine(jsonLine({{"type", "picture"},
                                 {"input", task.input},
                                 {"output", task.output},
                                 {"status", statusName(outcome.status)},
                                 {"message", outcome.message},
                                 {"milliseconds", outcome.milliseconds}}));
        if (watch.pictureDone)
            watch.pictureDone(outcome);
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
    std::mutex beginning;
    for (const PictureTask &task : tasks)
        pool.start([&] {
            if (watch.stop && watch.stop->load())
                return;
            if (watch.pictureBegun) {
                const std::lock_guard lock(beginning);
                watch.pictureBegun(task);
            }
            QElapsedTimer took;
            took.start();
            PictureOutcome outcome = stampOrSkip(mark, untilDrawn, task, options, budget);
            outcome.milliseconds = took.elapsed();
            report(outcome);
        });
    mark.finish();
    drawing.set_value();
    pool.waitForDone();

    if (several)
        errorLine(
            options.skipExisting
                ? QCoreApplication::translate("imprimata", "%1 stamped, %2 skipped, %3 failed")
                      .arg(stamped)
                      .arg(skipped)
                      .arg(failed)
                : QCoreApplication::translate("imprimata", "%1 stamped, %2 failed")
                      .arg(stamped)
                      .arg(failed));
    const int status = failed == 0 ? AllStamped : SomeFailed;
    if (json)
        reportLine(jsonLine({{"type", "summary"},
                             {"stamped", qint64(stamped)},
                             {"failed", qint64(failed)},
                             {"skipped", qint64(skipped)},
                             {"milliseconds", runTime.elapsed()},
                             {"exitStatus", status}}));
    return status;
}

} // namespace imprimata
