#pragma once

#include "StampArguments.h"
#include "StampJob.h"

#include <QString>
#include <functional>
#include <vector>

namespace imprimata {

// Exit statuses of the tool.
enum StampExit { AllStamped = 0, SomeFailed = 1, BadInvocation = 2 };

// Receives each line meant for standard error, without its line end. Called from one thread
// at a time.
using LineSink = std::function<void(const QString &)>;

// The output of each picture, in argument order. An output that would replace a picture of
// the batch, or that an earlier picture already writes, carries a refusal.
std::vector<PictureTask> planTasks(const StampOptions &options);

// Stamps every picture, several at once, reporting progress, failures and a summary.
// Returns the exit status. The mark file is read before any picture; when it cannot be used
// nothing is written.
int runStamping(const StampOptions &options, const LineSink &errorLine);

} // namespace imprimata
