// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form1.h"

#include "ui/image_list_view.h"
#include "ui/compare_links.h"
#include "ui/accessibility.h"
#include "ui/keyboard.h"
#include "ui/readable_style.h"
#include "engine/batch_session.h"
#include "core/codec/codec.h"
#include "core/paths.h"
#include "ui/form2.h"
#include "core/dialogs.h"
#include "core/settings_store.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

namespace lumivex {

namespace {

void paintWhite(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, pageColor(palette));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

Form1::Form1(SettingsStore &settings, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_dialogs(dialogs), m_reporter(dialogs, this)
{
    createControls();
    // A damaged or unusable settings file is told once, in a box of its own: it is no step of
    // any handler, and the window works on with what could be read.
    m_settings.setProblemHandler([this](const QString &text) {
        m_dialogs.message(this, text, applicationTitle(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    });
    Form_Load();
    // Wired after the stored slider values are in, so that none of them counts as touched.
    new ComparePreviewLink(*this, m_settings, m_dialogs);
}

Form1::~Form1() { m_settings.setProblemHandler({}); }

Form1::Panel Form1::createPanel(const AdjustmentInfo &info)
{
    const AdjustmentPanel &design = info.panel;
    auto *frame = new QGroupBox(tr(design.caption), this);
    frame->setFont(textFont());
    paintWhite(frame);
    placeInTwips(frame, 8040, design.top, 7800, 1560);

    auto *s = new QSlider(Qt::Horizontal, frame);
    s->setRange(info.minimum, info.maximum);
    s->setTickInterval(design.tickInterval);
    s->setTickPosition(QSlider::TicksBelow);
    s->setSingleStep(1);
    s->setPageStep(design.pageStep);
    // The design positions; the stored ones replace them at load.
    s->setValue(design.designValue);
    placeInTwips(s, 120, 225, 7575, 525);

    QLabel **named[] = {nullptr, &Label1, &Label2, &Label3, &Label4};
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(QString::fromLatin1(design.scaleTexts[i]), frame);
        label->setFont(textFont());
        placeInTwips(label, design.scaleLefts[i], 720, 450, 255);
        if (design.scaleLabelNumbers[i] > 0)
            *named[design.scaleLabelNumbers[i]] = label;
    }

    auto *button = new QPushButton(tr(design.startCaption), frame);
    button->setFont(buttonFont());
    placeInTwips(button, 240, design.startTop, 7300, 405);

    const AdjustmentKind kind = info.kind;
    connect(s, &QSlider::valueChanged, this, [this, kind](int value) {
        m_settings.SaveSetting(QString::fromLatin1(adjustmentInfo(kind).settingsKey), QString::number(value));
        // A run reads its slider again for each item, from here.
        if (m_running && m_run->session()->kind() == kind)
            m_run->setStrength(value);
    });
    connect(button, &QPushButton::clicked, this, [this, kind] { startRun(kind); });

    // The window's named controls: FrameN and SliderN, the PushButtonN that starts the run.
    QGroupBox **frames[] = {nullptr, nullptr, &Frame2, &Frame3, &Frame4, &Frame5};
    QSlider **sliders[] = {nullptr, nullptr, &Slider2, &Slider3, &Slider4, &Slider5};
    QPushButton **starts[] = {nullptr, nullptr, &PushButton2, nullptr, &PushButton4, &PushButton5, &PushButton6};
    if (design.controlNumber > 0) {
        *frames[design.controlNumber] = frame;
        *sliders[design.controlNumber] = s;
    }
    if (design.startButtonNumber > 0)
        *starts[design.startButtonNumber] = button;
    return {kind, frame, s, button};
}

void Form1::createControls()
{
    setFont(textFont());
    paintWhite(this);
    setFixedSize(twipsToPixels(kMainWindowTwips.width()), twipsToPixels(kMainWindowTwips.height()));

    ListView1 = new ImageListView(this);
    ListView1->setFont(textFont());
    placeInTwips(ListView1, 120, 120, 7800, 4845);

    auto button = [this](const char *caption, int left, int top) {
        auto *b = new QPushButton(tr(caption), this);
        b->setFont(buttonFont());
        placeInTwips(b, left, top, 3840, 405);
        return b;
    };
    PushButton7 = button(QT_TR_NOOP("Add Image File(s)"), 120, 5050);
    PushButton8 = button(QT_TR_NOOP("Add All File(s) In Folder"), 4080, 5055);
    PushButton1 = button(QT_TR_NOOP("Clear List"), 120, 5560);
    PushButton3 = button(QT_TR_NOOP("Load Sample/Example Files"), 4080, 5565);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    placeInTwips(ProgressBar1, 120, 6075, 7800, 405);

    for (const AdjustmentInfo &info : allAdjustments())
        m_panels.push_back(createPanel(info));

    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(ListView1, &ImageListView::pathsDropped, this, &Form1::ListView1_Drop);
    connect(ListView1, &ImageListView::removeRequested, this, &Form1::ListView1_Remove);

    // Pointer feedback: the hand over push buttons, the default over the plain surfaces; the
    // sliders, the progress bar and the other scale labels leave the pointer as it was.
    m_pointer = new PointerFeedback(this);
    m_pointer->handOver({PushButton1, PushButton3, PushButton7, PushButton8});
    m_pointer->defaultOver({this, ListView1, ListView1->viewport(), Label1, Label2, Label3, Label4});
    m_pointer->leaveOver({ProgressBar1});
    for (const Panel &panel : m_panels) {
        m_pointer->handOver({panel.start});
        m_pointer->defaultOver({panel.frame});
        m_pointer->leaveOver({panel.slider});
        for (QLabel *label : panel.frame->findChildren<QLabel *>())
            if (label != Label1 && label != Label2 && label != Label3 && label != Label4)
                m_pointer->leaveOver({label});
        showValueTips(panel.slider);
    }

    describeMainWindow(*this);
    useReadableMarks(this);
    enableKeyboard(this, m_dialogs);
    addButtonShortcut(PushButton7, QKeySequence::Open);
    for (QPushButton *start : {PushButton2, PushButton4, PushButton5, PushButton6})
        start->setToolTip(tr("Esc stops the run"));
}

void Form1::Form_Load()
{
    StepGuard guard(m_reporter, handlerLocation("Form1", "Form_Load"));
    guard(100, [&] {
        // The skin itself is a look we do not carry; its presence still asks for button-face colours.
        if (FileExists(programDataPath(QStringLiteral("x/o.cjs"))))
            ApplyButtonFaceColors(this);
    });
    guard(102, [&] { CenterForm(this); });
    guard(104, [&] {
        setWindowTitle(applicationTitle());
        setWindowIcon(applicationIcon());
    });
    bool hand = false;
    guard(106, [&] { hand = FileExists(programDataPath(QStringLiteral("HAND-M.CUR"))); });
    if (hand)
        guard(108, [&] { m_pointer->loadHand(); });
    guard(128, [&] {
        ListView1->setHeaderLabels({tr("Drag and drop files here. Move | bar to the right if needed.")});
    });
    guard(130, [&] { ListView1->setColumnWidth(0, twipsToPixels(7000)); });

    int step = 132;
    for (const AdjustmentInfo &info : allAdjustments()) {
        guard(step, [&] {
            const int value = parseWholeNumber(m_settings.GetSetting(
                QString::fromLatin1(info.settingsKey), QString::number(info.defaultValue)));
            if (value < info.minimum || value > info.maximum)
                throw StepFailure(QStringLiteral("Invalid property value"));
            slider(info.kind)->setValue(value);
        });
        step += 2;
    }
}

QSlider *Form1::slider(AdjustmentKind kind) const
{
    for (const Panel &panel : m_panels)
        if (panel.kind == kind)
            return panel.slider;
    return nullptr;
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window frame is known only once shown; centre on the outer size then.
    if (!m_centredOnShow) {
        m_centredOnShow = true;
        CenterForm(this);
    }
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program at once; nothing is asked or saved.
    m_closing = true;
    // A run stops where it is: it writes no file, and nothing it holds is wanted any more.
    if (m_run)
        m_run->abandon();
    m_running = false;
    if (m_scan)
        m_scan->stop(); // reads no further entry; waited for when the window goes
    event->accept();
    if (m_form2) {
        m_form2->stopSaving();
        m_form2->hide();
    }
    QApplication::quit();
}

void Form1::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_running) {
        m_run->cancel();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_scan) {
        m_scan->stop();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form1::setBusyPointer(bool busy) { m_pointer->setBusy(busy); }

// ---- The image list ----------------------------------------------------------------------

void Form1::PushButton7_Click()
{
    if (listLocked())
        return;
    StepGuard guard(m_reporter, handlerLocation("Form1", "PushButton7_Click"));
    const QString title = tr("Add File(s) - Hold Ctrl or Shift to select multiple files");
    QStringList readable;
    for (const QString &extension : readablePictureExtensions())
        readable << QStringLiteral("*.") + extension;
    // Only the names are translated; the patterns stay what the dialog matches.
    const QString listed = QStringLiteral("*.bmp;*.jpg;*.gif;*.png;*.ico;*.wmf");
    const QString every = readable.join(QLatin1Char(';'));
    const QString filter = tr("All Pictures (%1)").arg(listed) + QLatin1Char('|') + listed + QLatin1Char('|') +
                           tr("Every Readable Picture (%1)").arg(every) + QLatin1Char('|') + every + QLatin1Char('|') +
                           tr("All Files (%1)").arg(QStringLiteral("*.*")) + QStringLiteral("|*.*");
    QStringList parts;
    guard(108, [&] { parts = m_dialogs.openFiles(this, title, filter); });
    bool cancelled = false;
    guard(110, [&] { cancelled = parts.isEmpty() || parts.first().isEmpty(); });
    if (cancelled)
        return;
    if (parts.size() == 1) {
        guard(118, [&] { ListView1->append(parts.first()); });
        return;
    }
    const QString folder = parts.first();
    for (int i = 1; i < parts.size(); ++i) {
        QString path;
        guard(128, [&] { path = joinPath(folder, parts[i]); });
        guard(132, [&] { ListView1->append(path); });
    }
}

void Form1::startScan(std::vector<ScanJob::Entry> entries, const char *handler)
{
    m_scan = std::make_unique<ScanJob>(std::move(entries));
    ScanJob *job = m_scan.get();
    const QString location = handler ? handlerLocation("Form1", handler) : QString();
    connect(job, &ScanJob::found, this, [this, location](const QStringList &paths) {
        if (location.isEmpty()) { // drops carry no error report of their own
            for (const QString &path : paths)
                ListView1->append(path);
            return;
        }
        StepGuard guard(m_reporter, location);
        for (const QString &path : paths)
            guard(128, [&] { ListView1->append(path); });
    });
    connect(job, &ScanJob::finished, this, [this, job, location](const QString &failure) {
        if (m_scan.get() != job)
            return;
        m_scan.release()->deleteLater();
        if (m_closing)
            return;
        if (location.isEmpty()) {
            setBusyPointer(false);
            return;
        }
        StepGuard guard(m_reporter, location);
        if (!failure.isEmpty())
            guard(114, [&] { throw StepFailure(failure); });
        guard(132, [&] { setBusyPointer(false); });
    });
    setBusyPointer(true);
    job->start();
}

void Form1::PushButton8_Click()
{
    if (listLocked())
        return;
    StepGuard guard(m_reporter, handlerLocation("Form1", "PushButton8_Click"));
    QString answer;
    guard(100, [&] {
        answer = m_dialogs.inputBox(
            this,
            tr("Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)"),
            applicationTitle(), QStringLiteral("*"));
    });
    if (answer.isEmpty())
        return;
    guard(104, [&] { m_settings.SaveSetting(QStringLiteral("Extension"), answer); });
    QString folder;
    guard(106, [&] { folder = BrowseForFolder(m_dialogs, this, tr("Please select folder to add:")); });
    if (folder.isEmpty())
        return;

    // Read off the GUI thread; each folder's files go into the list as soon as it is read.
    guard(110, [&] { setBusyPointer(true); });
    guard(114, [&] { startScan({ScanJob::Entry{folder, QStringLiteral("*.") + answer, true}}, "PushButton8_Click"); });
}

void Form1::PushButton3_Click()
{
    if (listLocked())
        return;
    StepGuard guard(m_reporter, handlerLocation("Form1", "PushButton3_Click"));
    const QString samples = programDataPath(QStringLiteral("Samples"));
    QStringList names;
    guard(100, [&] { names = ListFiles(samples, QStringLiteral("*.*")); });
    for (const QString &name : names)
        guard(104, [&] { ListView1->append(joinPath(samples, name)); });
    Dialogs::Answer answer = Dialogs::Answer::No;
    guard(106, [&] {
        answer = m_dialogs.message(
            this,
            tr("Would you like this software to open the folder where these sample files are stored (so that you can view them before working with them)?"),
            applicationTitle(), Dialogs::Buttons::YesNo, Dialogs::Icon::None);
    });
    if (answer == Dialogs::Answer::Yes)
        guard(108, [&] { m_dialogs.openFolder(samples + QLatin1Char('/')); });
}

void Form1::PushButton1_Click()
{
    if (listLocked())
        return;
    StepGuard guard(m_reporter, handlerLocation("Form1", "PushButton1_Click"));
    guard(100, [&] { ListView1->clear(); });
}

void Form1::ListView1_Remove()
{
    if (listLocked())
        return;
    ListView1->removeSelected();
}

void Form1::ListView1_Drop(const QStringList &paths)
{
    if (listLocked())
        return;
    // Drops carry no error report of their own; a folder that cannot be read adds nothing. Files
    // before the first folder go in at once; from there on the entries keep their order through
    // the scan.
    std::vector<ScanJob::Entry> entries;
    for (const QString &path : paths) {
        if (m_closing)
            return;
        const bool folder = QFileInfo(path).isDir();
        if (!folder && entries.empty())
            ListView1->append(path);
        else
            entries.push_back(ScanJob::Entry{path, QStringLiteral("*.*"), folder});
    }
    if (!entries.empty())
        startScan(std::move(entries), nullptr);
}

void Form1::addCommandLinePaths(const QStringList &paths)
{
    QStringList absolute;
    for (const QString &path : paths)
        absolute << QFileInfo(path).absoluteFilePath();
    ListView1_Drop(absolute);
}

// ---- Runs --------------------------------------------------------------------------------

void Form1::PushButton2_Click() { startRun(AdjustmentKind::Brightness); }
void Form1::PushButton4_Click() { startRun(AdjustmentKind::Contrast); }
void Form1::PushButton5_Click() { startRun(AdjustmentKind::Softening); }
void Form1::PushButton6_Click() { startRun(AdjustmentKind::Sharpening); }

void Form1::startRun(AdjustmentKind kind)
{
    // One run at a time, and none while a folder scan is still filling the list.
    if (m_running || m_scan)
        return;
    const RunSteps steps = runSteps(kind);
    StepGuard guard(m_reporter, handlerLocation("Form1", adjustmentInfo(kind).startHandler));
    bool empty = false;
    guard(steps.emptyTest, [&] { empty = ListView1->count() == 0; });
    if (empty) {
        guard(steps.emptyMessage, [&] { showMessage(tr("Please add files first.")); });
        return;
    }
    QStringList sources;
    for (int row = 1; row <= ListView1->count(); ++row)
        sources << ListView1->rowText(row);
    // The results window is first touched here, not for an empty list.
    resultsWindow();
    m_run.reset();
    m_run = std::make_unique<SessionRun>(std::make_shared<BatchSession>(kind, sources), m_reporter);
    connect(m_run.get(), &SessionRun::busyChanged, this, &Form1::setBusyPointer);
    connect(m_run.get(), &SessionRun::progressChanged, ProgressBar1, &QProgressBar::setValue);
    connect(m_run.get(), &SessionRun::finished, this, [this, kind] { finishRun(kind); });
    if (runStarting)
        runStarting(*m_run);
    m_running = true;
    m_run->start(slider(kind)->value());
}

void Form1::finishRun(AdjustmentKind kind)
{
    m_running = false;
    const std::shared_ptr<BatchSession> session = m_run->session();
    // A run cancelled before its first item leaves nothing to show.
    if (m_closing || session->itemsDone() == 0)
        return;
    const RunSteps steps = runSteps(kind);
    StepGuard guard(m_reporter, handlerLocation("Form1", adjustmentInfo(kind).startHandler));
    Form2 *results = resultsWindow();
    // The first pair is made off this thread from the run's own decode (showSession hands it on).
    guard(steps.beforePicture, [&] {
        if (!session->firstSourceFailure().isEmpty())
            throw StepFailure(session->firstSourceFailure());
    });
    guard(steps.showResults, [&] { results->showSession(session); });
    guard(steps.hideMain, [&] { hide(); });
}

void Form1::showMessage(const QString &text)
{
    m_dialogs.message(this, text, applicationTitle(), Dialogs::Buttons::Ok, Dialogs::Icon::None);
}

Form2 *Form1::resultsWindow()
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(m_settings, m_dialogs);
        connect(m_form2.get(), &Form2::backToMain, this, [this] { show(); });
    }
    return m_form2.get();
}

} // namespace lumivex
