#pragma once

#include "BatchOptions.h"
#include "StampJob.h"

#include <QByteArray>
#include <QString>
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
// for the run. Returns the exit status. The mark file is read before any picture; when it
// cannot be used nothing is written, nor reported.
int runStamping(const StampOptions &options, const LineSink &errorLine,
                const ReportSink &reportLine = {});

} // namespace imprimata
