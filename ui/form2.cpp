// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form2.h"

#include "ui/compare_links.h"

#include "core/paths.h"
#include "ui/accessibility.h"
#include "ui/keyboard.h"
#include "ui/picture_box.h"
#include "ui/readable_style.h"
#include "engine/save_job.h"
#include "engine/save_results.h"
#include "core/dialogs.h"
#include "core/picture.h"
#include "core/settings_store.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTreeWidget>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QSignalBlocker>
#include <algorithm>

namespace lumivex {

namespace {

const int kBorderPixels = 2;


} // namespace

Form2::Form2(SettingsStore &settings, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_dialogs(dialogs), m_reporter(dialogs, this),
      m_session(std::make_shared<BatchSession>(AdjustmentKind::Brightness, QStringList())), m_before(7560, 2790, kBorderPixels * twipsPerPixel()),
      m_after(7560, 2790, kBorderPixels * twipsPerPixel())
{
    createControls();
    Form_Load();
    new CompareResultsLink(*this, m_settings, m_dialogs);
}

Form2::~Form2() { stopSaving(); }

QFrame *Form2::createPane(bool afterPane, int top, int barTop, PictureBox **picture, QScrollBar **hbar,
                          QScrollBar **vbar)
{
    PreviewPane *pane = afterPane ? &m_after : &m_before;
    auto *viewport = new PaneViewport(this);
    // The pane scrolls from the keyboard once it has the focus (Tab, or a click).
    viewport->setFocusPolicy(Qt::StrongFocus);
    viewport->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    viewport->setLineWidth(kBorderPixels);
    QPalette white = viewport->palette();
    white.setColor(QPalette::Window, Qt::white);
    viewport->setPalette(white);
    viewport->setAutoFillBackground(true);
    placeInTwips(viewport, 120, top, 7560, 2790);

    // The inner area clips the picture; the picture's left and top are relative to it.
    auto *inner = new QWidget(viewport);
    inner->setGeometry(viewport->contentsRect());
    auto *note = new QLabel(inner);
    note->setGeometry(inner->rect().adjusted(8, 8, -8, -8));
    note->setAlignment(Qt::AlignCenter);
    note->setWordWrap(true);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note->hide();
    (afterPane ? m_afterNote : m_beforeNote) = note;
    auto *box = new PictureBox(inner);
    box->setGeometry(0, 0, twipsToPixels(2340), twipsToPixels(3435));
    *picture = box;
    // The wheel over the picture, or over the empty part of the viewport, reaches the viewport.
    viewport->installEventFilter(this);

    auto *v = new QScrollBar(Qt::Vertical, this);
    placeInTwips(v, 7665, top, 255, 2790);
    auto *h = new QScrollBar(Qt::Horizontal, this);
    placeInTwips(h, 120, barTop, 7560, 255);
    for (QScrollBar *bar : {h, v}) {
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setRange(0, 0);
        // While the thumb is dragged the picture stays put; it follows on release.
        bar->setTracking(false);
        bar->setEnabled(false);
        bar->setFocusPolicy(Qt::TabFocus);
        bar->installEventFilter(this);
    }
    *hbar = h;
    *vbar = v;
    connect(h, &QScrollBar::valueChanged, this, [this, afterPane](int value) { scrollChanged(afterPane, true, value); });
    connect(v, &QScrollBar::valueChanged, this, [this, afterPane](int value) { scrollChanged(afterPane, false, value); });

    connect(box, &PictureBox::pressed, this, [this, pane](QPoint p) {
        const int tpp = twipsPerPixel();
        pane->mouseDown(m_anchor, float(p.x() * tpp), float(p.y() * tpp));
    });
    connect(box, &PictureBox::moved, this, [this, pane, afterPane](QPoint p, bool held) {
        const int tpp = twipsPerPixel();
        pane->mouseMove(m_anchor, held, float(p.x() * tpp), float(p.y() * tpp));
        if (held)
            mirror(afterPane);
    });
    connect(box, &PictureBox::released, this, [this, pane, afterPane](QPoint) {
        pane->mouseUp();
        mirror(afterPane);
    });
    connect(box, &PictureBox::doubleClicked, this, &Form2::toggleFit);
    return viewport;
}

void Form2::createControls()
{
    setFont(textFont());
    setFixedSize(twipsToPixels(kResultsWindowTwips.width()), twipsToPixels(kResultsWindowTwips.height()));

    ListView1 = new QTreeWidget(this);
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->header()->setStretchLastSection(false);
    placeInTwips(ListView1, 120, 120, 7800, 1815);
    ListView1->viewport()->installEventFilter(this);
    ListView1->installEventFilter(this);

    Label2 = new QLabel(tr(" Before:"), this);
    placeInTwips(Label2, 120, 2040, 2295, 255);
    Picture3 = createPane(false, 2280, 5040, &Picture4, &HScroll2, &VScroll2);
    Label3 = new QLabel(tr(" After (Results):"), this);
    placeInTwips(Label3, 120, 5430, 2295, 255);
    Picture2 = createPane(true, 5670, 8460, &Picture1, &HScroll1, &VScroll1);

    Frame1 = new QGroupBox(tr("Save Results To This Folder"), this);
    placeInTwips(Frame1, 120, 8760, 7800, 795);
    Text1 = new QLineEdit(Frame1);
    placeInTwips(Text1, 240, 300, 6660, 345);
    PushButton7 = new QPushButton(tr("..."), Frame1);
    PushButton7->setFont(buttonFont());
    placeInTwips(PushButton7, 6960, 300, 600, 345);

    Frame2 = new QGroupBox(tr("Save Results As"), this);
    placeInTwips(Frame2, 120, 9600, 2085, 735);
    Option2 = new QRadioButton(tr("JPG"), Frame2);
    placeInTwips(Option2, 240, 300, 675, 255);
    Option1 = new QRadioButton(tr("BMP"), Frame2);
    placeInTwips(Option1, 1080, 300, 795, 255);

    Frame3 = new QGroupBox(tr("JPG Quality"), this);
    placeInTwips(Frame3, 2280, 9600, 5640, 735);
    Slider1 = new QSlider(Qt::Horizontal, Frame3);
    Slider1->setRange(1, 100);
    Slider1->setTickInterval(10);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(1);
    placeInTwips(Slider1, 120, 195, 5355, 480);

    PushButton8 = new QPushButton(tr("< Back"), this);
    PushButton8->setFont(buttonFont());
    placeInTwips(PushButton8, 120, 10440, 3720, 405);
    PushButton6 = new QPushButton(tr("Save Results"), this);
    PushButton6->setFont(buttonFont());
    placeInTwips(PushButton6, 3960, 10440, 3960, 405);

    connect(PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form2::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
    connect(Text1, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_settings.SaveSetting(QStringLiteral("Output Folder"), text);
    });
    connect(Option1, &QRadioButton::clicked, this, &Form2::storeFormat);
    connect(Option2, &QRadioButton::clicked, this, &Form2::storeFormat);
    connect(Slider1, &QSlider::valueChanged, this, [this](int value) {
        m_settings.SaveSetting(QStringLiteral("SliderValue"), QString::number(value));
    });

    // The hand over the push buttons, the default over the plain surfaces; labels, panes, bars
    // and the slider leave the pointer as it was.
    m_pointer = new PointerFeedback(this);
    m_pointer->handOver({PushButton6, PushButton7, PushButton8});
    m_pointer->defaultOver({this, Frame1, Frame2, Frame3, ListView1, ListView1->viewport(), Text1, Option1, Option2});
    m_pointer->leaveOver({Label2, Label3, Picture3, Picture2, HScroll1, VScroll1, HScroll2, VScroll2, Slider1});
    showValueTips(Slider1);

    describeResultsWindow(*this);
    useReadableMarks(this);
    enableKeyboard(this, m_dialogs);
    addButtonShortcut(PushButton6, QKeySequence::Save);
    PushButton6->setToolTip(tr("%1; Esc stops the save").arg(PushButton6->toolTip()));
}

void Form2::Form_Load()
{
    ApplyButtonFaceColors(this);
    // The notes are part of their white viewports, not labels of the window.
    for (QLabel *note : {m_beforeNote, m_afterNote})
        note->setAutoFillBackground(false);
    CenterForm(this);
    setWindowTitle(applicationTitle());
    setWindowIcon(applicationIcon());
    m_pointer->loadHand();
    Text1->setText(m_settings.GetSetting(QStringLiteral("Output Folder"), GetDesktopFolder()));
    // setText stores only on a change; an unchanged text is stored all the same.
    m_settings.SaveSetting(QStringLiteral("Output Folder"), Text1->text());
    ListView1->setHeaderLabels({tr("Preview")});
    ListView1->setColumnWidth(0, twipsToPixels(6600));

    // Texts edited by hand that do not convert fall back to the first-start choices.
    int quality = 100;
    try {
        quality = parseWholeNumber(m_settings.GetSetting(QStringLiteral("SliderValue"), QStringLiteral("100")));
    } catch (const StepFailure &) {
    }
    Slider1->setValue(quality < 1 || quality > 100 ? 100 : quality);

    bool jpeg = true;
    try {
        jpeg = parseBoolean(m_settings.GetSetting(QStringLiteral("Option2"), QStringLiteral("True")));
    } catch (const StepFailure &) {
    }
    Option2->setChecked(jpeg);
    if (!Option2->isChecked())
        Option1->setChecked(true);
    storeFormat();
}

void Form2::storeFormat()
{
    m_settings.SaveSetting(QStringLiteral("Option2"), booleanText(Option2->isChecked()));
}

void Form2::setAfterPicture(const QImage &picture) { Picture1->setPicture(picture); }
void Form2::setBeforePicture(const QImage &picture) { Picture4->setPicture(picture); }

void Form2::showSession(std::shared_ptr<BatchSession> session)
{
    m_session = std::move(session);
    ListView1->clear();
    const QStringList &texts = m_session->results().items();
    for (int index = 0; index < texts.size(); ++index) {
        auto *row = new QTreeWidgetItem(QStringList{texts[index]});
        row->setData(0, Qt::UserRole, index);
        ListView1->addTopLevelItem(row);
    }
    markUnreadItems();
    // The run has placed the first pair; a first source that could not be read says so.
    const bool firstUnread = m_session->results().exists(0) && m_session->results().picture(0).isEmpty();
    const QString why = firstUnread ? m_session->results().picture(0).failure : QString();
    setPaneNote(true, why.isEmpty() ? QString() : tr("No result: %1").arg(why));
    setPaneNote(false, Picture4->picture().isNull() ? why : QString());
    if (QTreeWidgetItem *first = ListView1->topLevelItem(0))
        ListView1->setCurrentItem(first);
    show();
    raise();
    activateWindow();
}

void Form2::markUnreadItems()
{
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    const ResultList &results = m_session->results();
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = ListView1->topLevelItem(row);
        const int index = item->data(0, Qt::UserRole).toInt();
        if (!results.exists(index))
            continue;
        const ResultPicture &result = results.picture(index);
        if (!result.isEmpty() || result.failure.isEmpty())
            continue;
        // Still selectable: selecting it is how the user learns why.
        item->setForeground(0, grey);
        item->setToolTip(0, result.failure);
    }
}

void Form2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FitPreviewPane(true);
    FitPreviewPane(false);
}

void Form2::FitPreviewPane(bool afterPane)
{
    PreviewPane &pane = afterPane ? m_after : m_before;
    const PictureBox *box = afterPane ? Picture1 : Picture4;
    const int tpp = twipsPerPixel();
    const QSize size = box->picture().isNull() ? QSize(0, 0) : box->picture().size();
    pane.setPictureSize(size.width() * tpp, size.height() * tpp);
    pane.setFitted(m_fitWhole);
    pane.FitPreviewPane();
    mirror(afterPane);
}

void Form2::mirror(bool afterPane)
{
    const PreviewPane &pane = afterPane ? m_after : m_before;
    PictureBox *box = afterPane ? Picture1 : Picture4;
    QScrollBar *h = afterPane ? HScroll1 : HScroll2;
    QScrollBar *v = afterPane ? VScroll1 : VScroll2;
    const int tpp = twipsPerPixel();
    if (!box->picture().isNull()) {
        const int width = m_fitWhole ? (pane.shownWidth() + tpp / 2) / tpp : box->picture().width();
        const int height = m_fitWhole ? (pane.shownHeight() + tpp / 2) / tpp : box->picture().height();
        box->setGeometry(pane.left() / tpp, pane.top() / tpp, width, height);
    } else {
        box->move(pane.left() / tpp, pane.top() / tpp);
    }
    // The pane model leads and the bars only show it. Their own change signals stay quiet
    // meanwhile: a smaller range clamps the old value and would report that clamped value back
    // as if the user had scrolled there, undoing the reset to the top-left corner.
    auto sync = [](QScrollBar *bar, const PaneScrollBar &model) {
        const QSignalBlocker quiet(bar);
        bar->setEnabled(model.enabled);
        if (bar->maximum() != model.maximum)
            bar->setRange(0, model.maximum);
        if (bar->value() != model.value)
            bar->setValue(model.value);
    };
    sync(h, pane.hBar());
    sync(v, pane.vBar());
}

void Form2::scrollChanged(bool afterPane, bool horizontal, int value)
{
    PreviewPane &pane = afterPane ? m_after : m_before;
    if (horizontal)
        pane.setHScrollValue(value);
    else
        pane.setVScrollValue(value);
    mirror(afterPane);
}

void Form2::SetHScrollbarByPercent(bool afterPane, int percent)
{
    (afterPane ? m_after : m_before).SetHScrollbarByPercent(percent);
    mirror(afterPane);
}

void Form2::SetVScrollbarByPercent(bool afterPane, int percent)
{
    (afterPane ? m_after : m_before).SetVScrollbarByPercent(percent);
    mirror(afterPane);
}

void Form2::toggleFit()
{
    m_fitWhole = !m_fitWhole;
    FitPreviewPane(true);
    FitPreviewPane(false);
}

void Form2::wheelPane(bool afterPane, bool horizontal, int angleDelta)
{
    (afterPane ? m_after : m_before).wheel(angleDelta, horizontal);
    mirror(afterPane);
}

void Form2::setPaneNote(bool afterPane, const QString &text)
{
    QLabel *note = afterPane ? m_afterNote : m_beforeNote;
    note->setText(text);
    note->setVisible(!text.isEmpty());
}

QString Form2::paneNote(bool afterPane) const
{
    return (afterPane ? m_afterNote : m_beforeNote)->text();
}

void Form2::setBusyPointer(bool busy) { m_pointer->setBusy(busy); }

int Form2::selectedItem() const
{
    QTreeWidgetItem *item = ListView1->currentItem();
    if (!item || !item->isSelected())
        return -1;
    bool ok = false;
    const int index = item->data(0, Qt::UserRole).toInt(&ok);
    return ok ? index : -1;
}

void Form2::ListView1_Click()
{
    const int index = selectedItem();
    if (index < 0)
        return; // nothing selected: nothing to show
    setBusyPointer(true);
    // Sources are read again at each selection, never kept; one that cannot be read (now, or
    // already during the run) shows why instead of a picture. A result kept as its recipe is
    // made from that same decode.
    QImage source;
    SourceStamp sourceRead;
    QString beforeNote;
    if (index < m_session->sources().size()) {
        try {
            source = decodePicture(m_session->sources()[index], &sourceRead).valueOrThrow();
        } catch (const StepFailure &failure) {
            beforeNote = failure.description();
        }
    }
    const ResultList &results = m_session->results();
    const ResultPicture *result = results.exists(index) ? &results.picture(index) : nullptr;
    QImage after;
    QString afterNote;
    if (result) {
        try {
            after = result->imageMadeFrom(source, sourceRead);
        } catch (const StepFailure &failure) {
            afterNote = failure.description();
        }
        if (result->isEmpty())
            afterNote = result->failure.isEmpty() ? tr("There is no result for this item.")
                                                  : tr("No result: %1").arg(result->failure);
    } else {
        afterNote = tr("There is no result for this item.");
    }
    Picture1->setPicture(after);
    setPaneNote(true, afterNote);
    FitPreviewPane(true);
    Picture4->setPicture(source);
    setPaneNote(false, beforeNote);
    FitPreviewPane(false);
    setBusyPointer(false);
}

void Form2::PushButton8_Click()
{
    // The results stay while they are being saved.
    if (m_saving)
        return;
    StepGuard guard(m_reporter, handlerLocation("Form2", "PushButton8_Click"));
    ResultList &results = m_session->results();
    const int total = results.mTotalImages;
    for (int i = 1; i <= total; ++i)
        guard(102, [&] { results.release(i); });
    guard(106, [&] { emit backToMain(); });
    guard(108, [&] { hide(); });
}

void Form2::PushButton7_Click()
{
    StepGuard guard(m_reporter, handlerLocation("Form2", "PushButton7_Click"));
    QString path;
    guard(100, [&] { path = BrowseForFolder(m_dialogs, this, tr("Please select folder:")); });
    if (path.isEmpty())
        return;
    guard(104, [&] { Text1->setText(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/')); });
}

void Form2::PushButton6_Click()
{
    if (m_saving)
        return;
    StepGuard guard(m_reporter, handlerLocation("Form2", "PushButton6_Click"));
    bool exists = false;
    guard(106, [&] { exists = outputFolderExists(Text1->text()); });
    if (!exists) {
        guard(108, [&] {
            m_dialogs.message(this, tr("Output folder does not exist."), applicationTitle(),
                              Dialogs::Buttons::Ok, Dialogs::Icon::None);
        });
        return;
    }
    SaveSettings settings;
    guard(110, [&] {
        settings.folder = Text1->text();
        settings.format = Option1->isChecked() ? OutputFormat::Bmp : OutputFormat::Jpeg;
        settings.quality = Slider1->value();
        settings.resultWord = m_session->results().resultWord;
        checkedNarrow<std::int16_t>(m_session->itemsDone());
    });
    setBusyPointer(true);
    m_saving = true;
    m_saveJob = std::make_unique<SaveJob>(settings, m_session);
    connect(m_saveJob.get(), &SaveJob::progressChanged, this, &Form2::showSaveProgress);
    connect(m_saveJob.get(), &SaveJob::finished, this, &Form2::finishSave);
    showSaveProgress(0, m_saveJob->total());
    m_saveJob->start();
}

void Form2::showSaveProgress(int done, int total)
{
    // The file under way, counted from 1, until the last is done.
    setWindowTitle(tr("Saving %1 of %2").arg(std::min(done + 1, total)).arg(total));
}

void Form2::cancelSaving()
{
    if (m_saveJob)
        m_saveJob->cancel();
}

void Form2::finishSave()
{
    if (!m_saveJob || !m_saving)
        return; // stopped already
    // The job is this signal's sender: it goes once the signal has returned.
    SaveJob *job = m_saveJob.release();
    job->deleteLater();
    const std::vector<SaveOutcome> outcomes = job->outcomes();
    // Stopped only if Esc came before the last item had started.
    const bool cancelled = job->isCancelled() && std::any_of(outcomes.begin(), outcomes.end(), [](const SaveOutcome &o) {
                               return !o.written && o.failure.isEmpty();
                           });
    const int total = job->total();
    m_saving = false;
    setBusyPointer(false);
    setWindowTitle(applicationTitle());
    StepGuard guard(m_reporter, handlerLocation("Form2", "PushButton6_Click"));
    QStringList notes, renamed;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const SaveOutcome &outcome = outcomes[i];
        if (!outcome.written && outcome.failure.isEmpty())
            continue; // never started: the save was stopped first
        if (!outcome.written) {
            guard(outcome.step, [&] { throw StepFailure(outcome.failure); });
            continue;
        }
        if (outcome.renamed)
            renamed << tr("%1: saved as %2").arg(m_session->sources().value(int(i)), GetFileNameFromPath(outcome.path));
        if (!outcome.note.isEmpty())
            notes << GetFileNameFromPath(outcome.path) + QStringLiteral(": ") + outcome.note;
    }
    // Results that would have taken a name an earlier result of this save has are listed
    // once, together, so nobody looks for them under the name they expected.
    if (!renamed.isEmpty())
        m_dialogs.message(this,
                          tr("These results share a name with an earlier result, so they were saved "
                             "under a numbered name:") + QLatin1Char('\n') +
                              renamed.join(QLatin1Char('\n')),
                          applicationTitle(), Dialogs::Buttons::Ok, Dialogs::Icon::None);
    // Files saved without their camera data are named once, together, before "Done.".
    if (!notes.isEmpty())
        m_dialogs.message(this, notes.join(QLatin1Char('\n')), applicationTitle(), Dialogs::Buttons::Ok,
                          Dialogs::Icon::None);
    if (cancelled) {
        const int handled = int(std::count_if(outcomes.begin(), outcomes.end(), [](const SaveOutcome &o) {
            return o.written || !o.failure.isEmpty();
        }));
        m_dialogs.message(this, tr("Saving stopped after %1 of %2 files.").arg(handled).arg(total),
                          applicationTitle(), Dialogs::Buttons::Ok, Dialogs::Icon::None);
        return;
    }
    guard(138, [&] {
        m_dialogs.message(this, tr("Done."), applicationTitle(), Dialogs::Buttons::Ok,
                          Dialogs::Icon::None);
    });
}

void Form2::stopSaving()
{
    if (m_saveJob) {
        m_saveJob->cancel();
        m_saveJob->wait();
        m_saveJob.reset();
    }
    if (m_saving) {
        m_saving = false;
        setBusyPointer(false);
        setWindowTitle(applicationTitle());
    }
}

void Form2::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_saving) {
        cancelSaving();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool Form2::paneKey(QObject *watched, QKeyEvent *key)
{
    const bool after = watched == Picture2 || watched == HScroll1 || watched == VScroll1;
    const bool before = watched == Picture3 || watched == HScroll2 || watched == VScroll2;
    if (!after && !before)
        return false;
    if (key->key() == Qt::Key_F && (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
        // A fitted picture has no bars to keep the focus: the pane keeps it instead.
        (after ? Picture2 : Picture3)->setFocus(Qt::OtherFocusReason);
        toggleFit();
        return true;
    }
    if (!scrollPaneByKey(after ? m_after : m_before, key->key(), key->modifiers()))
        return false;
    mirror(after);
    return true;
}

void Form2::closeEvent(QCloseEvent *event)
{
    // Closing the results window ends the whole program; a save under way stops between files.
    stopSaving();
    event->accept();
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top != this)
            top->hide();
    QApplication::quit();
}

bool Form2::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // Let the view update its selection first.
        const bool handled = QWidget::eventFilter(watched, event);
        QMetaObject::invokeMethod(this, &Form2::ListView1_Click, Qt::QueuedConnection);
        return handled;
    }
    if (watched == ListView1 && event->type() == QEvent::KeyRelease) {
        // A modifier on its own selects nothing; showing the pair again would throw away where
        // Shift + wheel has just scrolled the panes to.
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
            break;
        default:
            ListView1_Click();
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress && paneKey(watched, static_cast<QKeyEvent *>(event)))
        return true;
    // A fitted picture may leave part of its viewport empty: a double-click there toggles too.
    if (event->type() == QEvent::MouseButtonDblClick && (watched == Picture2 || watched == Picture3)) {
        toggleFit();
        return true;
    }
    if (event->type() == QEvent::Wheel) {
        const bool after = watched == Picture2 || watched == HScroll1 || watched == VScroll1;
        const bool before = watched == Picture3 || watched == HScroll2 || watched == VScroll2;
        if (after || before) {
            auto *wheel = static_cast<QWheelEvent *>(event);
            const QPoint delta = wheel->angleDelta();
            // Shift turns the wheel sideways, as does a wheel over the horizontal bar; a
            // sideways wheel or a tilted one scrolls sideways on its own.
            const bool overHorizontalBar = watched == HScroll1 || watched == HScroll2;
            const bool sideways = delta.y() == 0 && delta.x() != 0;
            const bool horizontal = sideways || overHorizontalBar || (wheel->modifiers() & Qt::ShiftModifier);
            wheelPane(after, horizontal, delta.y() != 0 ? delta.y() : delta.x());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lumivex
