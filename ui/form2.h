// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/batch_session.h"
#include "ui/pointer_feedback.h"
#include "core/saver.h"
#include "ui/window_setup.h"
#include "ui/preview_pane.h"
#include "core/error_report.h"

#include <QCursor>
#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSlider;
class QTreeWidget;

namespace lumivex {

class CompareResultsLink;
class Dialogs;
class PictureBox;
class PreviewJob;
struct PreviewOutcome;
class SaveJob;
class SettingsStore;

// The results window: a view over a finished session, with its list of results, the Before
// and After panes, and saving. The panes' pictures are made on a PreviewJob, which the compare
// view opened from here shares, so a picture shown in both is decoded once.
class Form2 : public QWidget {
    Q_OBJECT
public:
    Form2(SettingsStore &settings, Dialogs &dialogs, QWidget *parent = nullptr);
    ~Form2() override;

    // Lists the session's results, each row standing for its own item, shows the window and the
    // first item's pair, made from the run's own decode of its source where it kept one.
    void showSession(std::shared_ptr<BatchSession> session);
    BatchSession &session() { return *m_session; }
    ResultList &resultList() { return m_session->results(); }
    PreviewJob &previewJob() { return *m_job; }

    // Asks for the selected item's pair; the panes change, together, once it is made.
    void ListView1_Click();
    // A pair asked for is still being made (the pointer is busy meanwhile).
    bool panesPending() const { return m_wantedSerial != 0; }
    void PushButton6_Click(); // Save Results
    void PushButton7_Click(); // browse for the output folder
    void PushButton8_Click(); // < Back
    void FitPreviewPane(bool afterPane);

    // Saving runs on worker threads; the window stays live meanwhile.
    bool isSaving() const { return m_saving; }
    // Stops a save between files and waits for it: every file is whole or not there at all.
    void stopSaving();
    // Esc: no further file is started; the save then ends as usual, saying how far it got.
    void cancelSaving();

    PreviewPane &afterPane() { return m_after; }
    PreviewPane &beforePane() { return m_before; }
    void scrollChanged(bool afterPane, bool horizontal, int value);
    void SetHScrollbarByPercent(bool afterPane, int percent);
    void SetVScrollbarByPercent(bool afterPane, int percent);
    PointerState::Pointer pointer() const { return m_pointer->pointer(); }

    // Both panes switch together between 100 % and the whole picture fitted into the viewport,
    // so Before and After always compare like for like; the choice holds across selections.
    void toggleFit();
    bool fitsWholePicture() const { return m_fitWhole; }
    // The mouse wheel over a pane or its bars: a bar moves as a click on it would, by whole steps.
    void wheelPane(bool afterPane, bool horizontal, int angleDelta);
    // Why a pane shows no picture (empty while it shows one).
    QString paneNote(bool afterPane) const;

    QTreeWidget *ListView1 = nullptr;
    QLabel *Label2 = nullptr, *Label3 = nullptr;
    QFrame *Picture3 = nullptr, *Picture2 = nullptr;     // viewports
    PictureBox *Picture4 = nullptr, *Picture1 = nullptr; // Before, After
    QScrollBar *HScroll1 = nullptr, *VScroll1 = nullptr, *HScroll2 = nullptr, *VScroll2 = nullptr;
    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr, *Frame3 = nullptr;
    QLineEdit *Text1 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr;
    QSlider *Slider1 = nullptr;
    QPushButton *PushButton6 = nullptr, *PushButton7 = nullptr, *PushButton8 = nullptr;

signals:
    // "< Back": the main window shows itself again.
    void backToMain();
    // Both panes show the pair last asked for (or why they cannot).
    void panesShown();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void Form_Load();
    QFrame *createPane(bool afterPane, int top, int barTop, PictureBox **picture, QScrollBar **hbar, QScrollBar **vbar);
    void mirror(bool afterPane);
    void setBusyPointer(bool busy);
    void storeFormat();
    int selectedItem() const; // 0-based index into the session, -1 for none
    void setPaneNote(bool afterPane, const QString &text);
    void clearPanes();
    void showItem(int index);
    void showPair(const PreviewOutcome &outcome);
    void markUnreadItems();
    void finishSave();
    void showSaveProgress(int done, int total);
    bool paneKey(QObject *watched, QKeyEvent *key);

    SettingsStore &m_settings;
    Dialogs &m_dialogs;
    DialogErrorReporter m_reporter;
    std::shared_ptr<BatchSession> m_session;
    PreviewPane m_before;
    PreviewPane m_after;
    DragAnchor m_anchor;
    PointerFeedback *m_pointer = nullptr;
    QLabel *m_beforeNote = nullptr, *m_afterNote = nullptr;
    bool m_fitWhole = false;
    bool m_saving = false;
    std::unique_ptr<SaveJob> m_saveJob;
    std::unique_ptr<PreviewJob> m_job;
    CompareResultsLink *m_compare = nullptr;
    quint64 m_wantedSerial = 0; // the pair the panes wait for; 0 for none
    int m_wantedItem = -1;
    QString m_openingBeforeNote; // why the run could not read the first source, for its first showing
};

} // namespace lumivex
