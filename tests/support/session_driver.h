// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/batch_session.h"
#include "scripted_dialogs.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace lumivex::testing {

// Runs a session as the main window would and records what reaches the GUI thread.
class SessionDriver : public QObject {
public:
    SessionDriver(AdjustmentKind kind, QStringList sources, int decodeWorkers = 0)
        : session(std::make_shared<BatchSession>(kind, std::move(sources))),
          run(std::make_unique<SessionRun>(session, reporter, decodeWorkers))
    {
        connect(run.get(), &SessionRun::progressChanged, this, [this](int p) { progress.push_back(p); });
        connect(run.get(), &SessionRun::busyChanged, this, [this](bool b) { busy.push_back(b); });
        connect(run.get(), &SessionRun::finished, this, [this] { ++finishedCount; });
    }

    // Runs to the end, handling the GUI thread's events meanwhile.
    bool runToEnd(int strength)
    {
        run->start(strength);
        return waitForEnd();
    }
    // Bounded, so that a run that never ends (an item never decoded, memory never given back)
    // fails its test within seconds; a stuck run is abandoned when the driver goes.
    bool waitForEnd()
    {
        if (QTest::qWaitFor([this] { return finishedCount > 0; }, 10000))
            return true;
        ADD_FAILURE() << "the run did not end within 10 s";
        return false;
    }
    ResultList &results() { return session->results(); }

    RecordingReporter reporter;
    std::shared_ptr<BatchSession> session;
    std::unique_ptr<SessionRun> run;
    std::vector<int> progress;
    std::vector<bool> busy;
    int finishedCount = 0;
};

} // namespace lumivex::testing
