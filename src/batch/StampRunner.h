#pragma once

#include "BatchOptions.h"
#include "StampJob.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <vector>

namespace imprimata {

// Exit statuses of the tool.
enum StampExit { AllStamped = 0, SomeFailed = 1, BadInvocation = 2 };

// Receives each line meant for standard error, without its line end. Called from one thread
// at a time.
using LineSink = std::function<void(const QString &)>;
// Receives each line of the --report on standard output, UTF-8, without its line end. Called
// from one thread at a time.
using ReportSink = std::function<void(const QByteArray &)>;

enum class PictureStatus { Stamped, Failed, Skipped };

// What became of one picture.
struct PictureOutcome {
    PictureTask task;
    PictureStatus status = PictureStatus::Stamped;
    QString message; // a stamped picture's warning, or why it failed or was skipped
    qint64 milliseconds = 0;
};

// What a caller other than the command line follows of a run, and how it stops one.
struct RunWatch {
    // Called from the worker threads, one call at a time.
    std::function<void(const PictureTask &)> pictureBegun;
    std::function<void(const PictureOutcome &)> pictureDone;
    // Why the run could not start at all (the mark, the output folder); without it the line
    // goes to the error lines, after the tool's name.
    std::function<void(const QString &)> refused;
    // Once set, pictures not yet begun are left alone, unreported; those begun finish.
    const std::atomic_bool *stop = nullptr;
};

// The output of each picture, in argument order. An output that would replace a picture of
// the batch, or that an earlier picture already writes, carries a refusal.
std::vector<PictureTask> planTasks(const StampOptions &options);

// The tasks of one run's share of a sharded batch: the pictures at positions K, K + N, ... of
// the batch sorted by name, so every run picks the same way whatever order its list came in,
// the refused ones included. The batch is planned whole: an output that would replace a
// picture of another share, or one that an earlier picture of another share writes, is
// refused here as it would be in one run.
std::vector<PictureTask> shareTasks(const StampOptions &batch, Shard shard);

// Stamps every picture (with --shard, those of the share), several at once, reporting
// progress, failures and a summary, and with --report json a line for each picture and one
// for the run. Returns the exit status. The mark (its file, unless the options hold it) is
// made ready before any picture; when it cannot be used nothing is written, nor reported.
int runStamping(const StampOptions &options, const LineSink &errorLine,
                const ReportSink &reportLine = {}, const RunWatch &watch = {});

} // namespace imprimata
