#pragma once

#include "engine/adjustment_kind.h"
#include "kernels/pixel_buffer.h"
#include "engine/result_list.h"

#include <QImage>
#include <QString>

namespace lumivex {

class ErrorReporter;

// What a run needs from the windows around it. The main window implements it; tests script it.
class RunHost {
public:
    virtual ~RunHost() = default;
    virtual int itemCount() const = 0;
    virtual QString itemText(int row) const = 0; // 1-based, the full path
    virtual int sliderValue(AdjustmentKind kind) const = 0;
    virtual void setBusy(bool busy) = 0;
    virtual void setProgress(int percent) = 0;
    virtual void yieldToEvents() = 0;
    // True once the user has closed the program during the run: the run then stops at once.
    virtual bool abandoned() const { return false; }
    virtual void showMessage(const QString &text) = 0;
    virtual ResultList &results() = 0;
    virtual void setAfterPicture(const QImage &picture) = 0;
    virtual void setBeforePicture(const QImage &picture) = 0;
    virtual void showResultsWindow() = 0;
    virtual void hideMainWindow() = 0;
    virtual ErrorReporter &reporter() = 0;
};

// One adjustment over every row of the image list, in list order, each numbered step under the
// handler's guard. Files are decoded ahead on worker threads, which also run the neighbourhood
// filters ahead with the slider's current value; at each image's turn the slider is read again
// and the work is redone if it moved.
class BatchRun {
public:
    explicit BatchRun(int decodeWorkers = 0) : m_decodeWorkers(decodeWorkers) {}
    void run(AdjustmentKind kind, RunHost &host);

private:
    int m_decodeWorkers;
};

} // namespace lumivex
