// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/adjustment_kind.h"
#include "engine/scan_job.h"
#include "ui/pointer_feedback.h"
#include "ui/window_setup.h"
#include "core/error_report.h"

#include <QCursor>
#include <QWidget>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;

namespace lumivex {

class BatchSession;
class Dialogs;
class Form2;
class ImageListView;
class SessionRun;
class SettingsStore;

// The main window: the image list with its four commands, the four adjustment panels and the
// progress bar. Layout in twips, converted only where a widget is placed.
class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(SettingsStore &settings, Dialogs &dialogs, QWidget *parent = nullptr);
    ~Form1() override;

    // Controls keep the names the rest of the program and its tests know them by.
    ImageListView *ListView1 = nullptr;
    QPushButton *PushButton1 = nullptr, *PushButton2 = nullptr, *PushButton3 = nullptr,
                *PushButton4 = nullptr, *PushButton5 = nullptr, *PushButton6 = nullptr,
                *PushButton7 = nullptr, *PushButton8 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QGroupBox *Frame2 = nullptr, *Frame3 = nullptr, *Frame4 = nullptr, *Frame5 = nullptr;
    QSlider *Slider2 = nullptr, *Slider3 = nullptr, *Slider4 = nullptr, *Slider5 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;

    void Form_Load();

    void PushButton1_Click(); // Clear List
    void PushButton2_Click(); // Start brightness
    void PushButton3_Click(); // Load samples
    void PushButton4_Click(); // Start contrast
    void PushButton5_Click(); // Start softening
    void PushButton6_Click(); // Start sharpening
    void PushButton7_Click(); // Add Image File(s)
    void PushButton8_Click(); // Add All File(s) In Folder
    void ListView1_Drop(const QStringList &paths);
    void ListView1_Remove();

    // Paths given on the command line go in as if dropped, made absolute first.
    void addCommandLinePaths(const QStringList &paths);

    QSlider *slider(AdjustmentKind kind) const;
    Form2 *resultsWindow(); // created on first use
    Form2 *existingResults() const { return m_form2.get(); }
    bool isRunning() const { return m_running; }
    // A folder scan is filling the list: it is locked as during a run until the scan ends.
    bool isScanning() const { return m_scan != nullptr; }
    // The run under way, or the last one; null before the first.
    SessionRun *currentRun() const { return m_run.get(); }
    // For tests: called with each run just before it starts, to hold or pace its workers.
    std::function<void(SessionRun &)> runStarting;
    PointerState::Pointer pointer() const { return m_pointer->pointer(); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    // One adjustment's panel, drawn from its descriptor.
    struct Panel {
        AdjustmentKind kind;
        QGroupBox *frame;
        QSlider *slider;
        QPushButton *start;
    };
    Panel createPanel(const AdjustmentInfo &info);
    void startRun(AdjustmentKind kind);
    void setBusyPointer(bool busy);
    bool listLocked() const { return m_running || m_scan; }
    // Walks the entries off the GUI thread, each folder's files going into the list as it is read.
    // `handler` names the command whose failures are reported, none for drops.
    void startScan(std::vector<ScanJob::Entry> entries, const char *handler);

    void finishRun(AdjustmentKind kind);
    void showMessage(const QString &text);

    SettingsStore &m_settings;
    Dialogs &m_dialogs;
    DialogErrorReporter m_reporter;
    std::unique_ptr<Form2> m_form2;
    PointerFeedback *m_pointer = nullptr;
    bool m_running = false;
    bool m_closing = false;
    bool m_centredOnShow = false;
    std::vector<Panel> m_panels;
    std::unique_ptr<ScanJob> m_scan;
    // Last: a run still going is abandoned before anything it reports to goes away.
    std::unique_ptr<SessionRun> m_run;
};

} // namespace lumivex
