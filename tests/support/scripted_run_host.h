#pragma once

#include "engine/batch_run.h"
#include "scripted_dialogs.h"

#include <functional>
#include <vector>

namespace lumivex::testing {

// A run's surroundings, scripted: the list, the sliders, and a record of everything shown.
class ScriptedRunHost : public RunHost {
public:
    QStringList rows;
    int slider = 0;
    std::function<void(int)> onYield; // called with the yield count
    std::vector<int> progress;
    std::vector<bool> busy;
    int yields = 0;
    QStringList messages;
    ResultList list;
    QImage after, before;
    bool shown = false, hidden = false;
    RecordingReporter recorder;

    int itemCount() const override { return rows.size(); }
    QString itemText(int row) const override { return rows.at(row - 1); }
    int sliderValue(AdjustmentKind) const override { return slider; }
    void setBusy(bool b) override { busy.push_back(b); }
    void setProgress(int p) override { progress.push_back(p); }
    void yieldToEvents() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
    void showMessage(const QString &text) override { messages << text; }
    ResultList &results() override { return list; }
    void setAfterPicture(const QImage &p) override { after = p; }
    void setBeforePicture(const QImage &p) override { before = p; }
    void showResultsWindow() override { shown = true; }
    void hideMainWindow() override { hidden = true; }
    ErrorReporter &reporter() override { return recorder; }
};

} // namespace lumivex::testing
