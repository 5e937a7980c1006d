#include "windows/TMainForm.h"

#include "MainFormPlaces.h"

#include "core/CodeSets.h"
#include "core/MessageTable.h"
#include "core/ParameterTexts.h"
#include "session/JobCheck.h"
#include "session/PlaySession.h"
#include "shell/DisplayedJob.h"

#include "core/ResultCodes.h"

#include "plot/WaveDisplay.h"
#include "shell/DisplaySignal.h"
#include "shell/DisplayWave.h"
#include "shell/OkBox.h"
#include "widgets/LabelAdapter.h"
#include "widgets/WaveDraw.h"
#include "widgets/WindowChords.h"
#include "windows/DisplayProgress.h"
#include "windows/SaveAsCommand.h"
#include "windows/TAboutBox.h"
#include "windows/TDisplayLicense.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace corvane::windows {

namespace {

constexpr plot::Colour kBlack = plot::rgb(0, 0, 0);
constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);

constexpr const char* kFontFace = "Franklin Gothic Medium";
constexpr const char* kHelpCommand = "hh.exe Corvane.chm";

// Faces that are not installed fall back to Qt's choice of a sans-serif face.
QFont fontOf(const char* face, int pixelSize)
{
    QFont font(QString::fromLatin1(face));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

TMainForm::TMainForm(shell::OkBox& messageBox, QWidget* parent) : QMainWindow(parent), box(messageBox)
{
    buildControls();
    buildMenus();
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildControls()
{
    setWindowTitle(QStringLiteral("Corvane"));
    setFont(fontOf(kFontFace, 12));
    move(kDefaultPosition);
    resize(kDefaultSize);
    setMinimumSize(kDefaultSize);

    auto* client = new QWidget(this);
    setCentralWidget(client);
    // Table positions count the menu bar; the client area starts below it.
    const auto place = [](QWidget* w, const ControlPlace& at) {
        w->setObjectName(QString::fromLatin1(at.name));
        w->setGeometry(at.left, at.top - kMenuBarHeight, at.width, at.height);
    };
    // A stand-in face is often wider: shrink it until the longest caption
    // fits between the column's left edge and the edit boxes.
    paramFont = fontOf(kFontFace, 13);
    constexpr int kCaptionRoom = kSigFreqPlace.left - kSigFreqLabelPlace.left - 4;
    // The caption below, kept as users see it, misspelling included.
    while (paramFont.pixelSize() > 8 &&
           QFontMetrics(paramFont).horizontalAdvance(QStringLiteral("Smapling Freq.")) > kCaptionRoom)
        paramFont.setPixelSize(paramFont.pixelSize() - 1);
    const auto label = [&](const ControlPlace& at, const char* caption) {
        auto* l = new QLabel(QString::fromLatin1(caption), client);
        place(l, at);
        l->setFont(paramFont);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        l->resize(std::max(at.width, l->sizeHint().width()), at.height);
        return l;
    };

    WaveCanvas = new widgets::WaveDraw(client);
    place(WaveCanvas, kWaveCanvasPlace);
    WaveCanvas->setPaintHandler([this] { WaveCanvasPaint(); });
    WaveCanvas->setResizeHandler([this] { WaveCanvasResize(); });

    SigFreqLabel = label(kSigFreqLabelPlace, "Signal Freq.");
    SigFreq = new QLineEdit(client);
    place(SigFreq, kSigFreqPlace);
    SigLevelLabel = label(kSigLevelLabelPlace, "Signal Level");
    SigLevel = new QLineEdit(client);
    place(SigLevel, kSigLevelPlace);
    dB = label(kDbPlace, "dB");
    // Kept as users see it, misspelling included.
    SampleFreq = label(kSampleFreqPlace, "Smapling Freq.");
    FsSelect = new QComboBox(client);
    place(FsSelect, kFsSelectPlace);
    Label1 = label(kLabel1Place, "Waveshape");
    WaveSelect = new QComboBox(client);
    place(WaveSelect, kWaveSelectPlace);
    for (QComboBox* list : {FsSelect, WaveSelect}) {
        list->setEditable(true);
        // Typed text is a choice for one display, not a new item.
        list->setInsertPolicy(QComboBox::NoInsert);
        list->setFont(paramFont);
    }
    SigFreq->setFont(paramFont);
    SigLevel->setFont(paramFont);
    widgets::fillList(*FsSelect, core::kSampleRates);
    widgets::fillList(*WaveSelect, core::kWaveShapes);

    DrawButton = new QPushButton(QStringLiteral("Display Wave"), client);
    place(DrawButton, kDrawButtonPlace);
    AutoScaleButton = new QPushButton(QStringLiteral("Vert. Expand"), client);
    place(AutoScaleButton, kAutoScaleButtonPlace);
    HorizExpandButton = new QPushButton(QStringLiteral("Horiz. Expand"), client);
    place(HorizExpandButton, kHorizExpandButtonPlace);
    connect(DrawButton, &QPushButton::clicked, this, [this] { DrawButtonClick(); });
    connect(AutoScaleButton, &QPushButton::clicked, this, [this] { AutoScaleButtonClick(); });
    connect(HorizExpandButton, &QPushButton::clicked, this, [this] { HorizExpandClick(); });

    // The canvas lays these out and hides them before anything is seen; they
    // start over the plot showing their own names.
    const auto scaleLabel = [&](const QString& name) {
        auto* l = new QLabel(name, client);
        l->setObjectName(name);
        l->move(WaveCanvas->pos());
        return l;
    };
    for (std::size_t i = 0; i < LX.size(); ++i)
        LX[i] = scaleLabel(QStringLiteral("LX%1").arg(i));
    for (std::size_t i = 0; i < LYL.size(); ++i)
        LYL[i] = scaleLabel(QStringLiteral("LYL%1").arg(i));
    for (std::size_t i = 0; i < LYR.size(); ++i)
        LYR[i] = scaleLabel(QStringLiteral("LYR%1").arg(i));
    TXL = scaleLabel(QStringLiteral("TXL"));
    TYLL = scaleLabel(QStringLiteral("TYLL"));
    TYRL = scaleLabel(QStringLiteral("TYRL"));

    for (QWidget* w :
         std::initializer_list<QWidget*>{SigFreqLabel, SigFreq, SigLevelLabel, SigLevel, dB, SampleFreq, FsSelect,
                                         Label1, WaveSelect, DrawButton, AutoScaleButton, HorizExpandButton})
        rightColumn.emplace_back(w, w->x());

    setTabOrder(SigFreq, SigLevel);
    setTabOrder(SigLevel, AutoScaleButton);
    setTabOrder(AutoScaleButton, DrawButton);
    setTabOrder(DrawButton, FsSelect);
    setTabOrder(FsSelect, WaveSelect);
    setTabOrder(WaveSelect, HorizExpandButton);
}

void TMainForm::buildMenus()
{
    ActionMainMenuBar1 = new QMenuBar(this);
    ActionMainMenuBar1->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    ActionMainMenuBar1->setFont(fontOf("Tahoma", 11));
    ActionMainMenuBar1->setFixedHeight(kMenuBarHeight);
    setMenuBar(ActionMainMenuBar1);

    ActionManager1 = new QObject(this);
    ActionManager1->setObjectName(QStringLiteral("ActionManager1"));
    const auto action = [this](const char* name, const char* caption, const QKeySequence& keys) {
        auto* a = new QAction(QString::fromLatin1(caption), ActionManager1);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(keys);
        return a;
    };
    FileSaveAs1 = action("FileSaveAs1", "SaveTo(&A)", QKeySequence(Qt::CTRL | Qt::Key_A));
    FilePlay1 = action("FilePlay1", "Play(&P)", QKeySequence(Qt::CTRL | Qt::Key_P));
    FileExit1 = action("FileExit1", "Exit(&X)", QKeySequence(Qt::CTRL | Qt::Key_X));
    Help = action("Help", "Help(&H)", QKeySequence(Qt::CTRL | Qt::Key_H));
    // Kept as users see it, misspelling included.
    HelpContents1 = action("HelpContents1", "&Verion Info.", QKeySequence());
    License = action("License", "&License Agreement", QKeySequence());
    // Enabled once the window is set up (FormCreate).
    Help->setEnabled(false);
    License->setEnabled(false);

    QMenu* file = ActionMainMenuBar1->addMenu(QStringLiteral("File"));
    file->addAction(FileSaveAs1);
    file->addAction(FilePlay1);
    file->addAction(FileExit1);
    QMenu* help = ActionMainMenuBar1->addMenu(QStringLiteral("Help"));
    help->addAction(Help);
    help->addAction(HelpContents1);
    help->addAction(License);
    // The chords work wherever the focus is in the window, menus open or not,
    // the edit boxes and lists included.
    addActions({FileSaveAs1, FilePlay1, FileExit1, Help, HelpContents1, License});
    buildSignalChoice();
    chords = new widgets::WindowChords({FileSaveAs1, FilePlay1, FileExit1, Help}, this);
    chords->watchEditors(*this);

    connect(FileExit1, &QAction::triggered, this, [this] { close(); });
    connect(Help, &QAction::triggered, this, [this] { HelpExecute(); });
    connect(HelpContents1, &QAction::triggered, this, [this] { HelpContents1Execute(); });
    connect(License, &QAction::triggered, this, [this] { LicenseExecute(); });
    connect(FileSaveAs1, &QAction::triggered, this, [this] { FileSaveAs1Execute(); });
    connect(FilePlay1, &QAction::triggered, this, [this] { FilePlay1Execute(); });
}

void TMainForm::FormCreate()
{
    shell::setFormDefaults(*this);
    // Written in the user's notation so that they read back on a comma locale.
    const QLocale locale;
    SigFreq->setText(locale.toString(400));
    SigLevel->setText(locale.toString(6.0, 'f', 1));
    FsSelect->setCurrentIndex(core::codeOf(core::SampleRate::Hz44100));
    WaveSelect->setCurrentIndex(core::codeOf(core::WaveShape::Sine));
    Help->setEnabled(true);
    License->setEnabled(true);
}

void TMainForm::buildDisplay()
{
    waveDisplay = std::make_unique<plot::WaveDisplay>(WaveCanvas->canvas(), 11, 9, 9);
    const auto adapt = [this](QLabel* label) {
        labelAdapters.push_back(std::make_unique<widgets::LabelAdapter>(label));
        return labelAdapters.back().get();
    };
    // Slots past the window's labels stay empty.
    std::array<plot::PlotLabel*, plot::PlotCanvas::kXLabelSlots> x{};
    for (std::size_t i = 0; i < LX.size(); ++i)
        x[i] = adapt(LX[i]);
    std::array<plot::PlotLabel*, plot::PlotCanvas::kYLabelSlots> yl{};
    for (std::size_t i = 0; i < LYL.size(); ++i)
        yl[i] = adapt(LYL[i]);
    std::array<plot::PlotLabel*, plot::PlotCanvas::kYLabelSlots> yr{};
    for (std::size_t i = 0; i < LYR.size(); ++i)
        yr[i] = adapt(LYR[i]);
    WaveCanvas->canvas().copyXScaleLabels(x);
    WaveCanvas->canvas().copyYLScaleLabels(yl);
    WaveCanvas->canvas().copyYRScaleLabels(yr);
    WaveCanvas->canvas().copyTitleLabels(adapt(TXL), adapt(TYLL), adapt(TYRL));
}

void TMainForm::FormShow()
{
    if (!waveDisplay)
        buildDisplay();
    waveDisplay->initScreen(kBlack, kGrey, kGrey);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A window coming back from the task bar is not a new show.
    if (!event->spontaneous())
        FormShow();
}

void TMainForm::setPlotPixelRatio(double ratio)
{
    WaveCanvas->setPixelRatio(ratio);
    WaveCanvasResize();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    stopPlaying();
    if (geometrySettings != nullptr)
        saveWindowGeometry(*geometrySettings);
    QMainWindow::closeEvent(event);
}

void TMainForm::WaveCanvasResize()
{
    // A new size is a new layout: grid, labels and trace are placed by the
    // same rules for it, from the recorded commands, not stretched.
    if (waveDisplay)
        reportPlotError(waveDisplay->relayout());
}

void TMainForm::WaveCanvasPaint()
{
    if (!waveDisplay)
        return;
    reportPlotError(waveDisplay->repaint());
}

void TMainForm::reportPlotError(int result)
{
    if (result >= 0 || paintErrorPending)
        return;
    // A modal box inside a paint would paint again beneath it; show it once
    // the paint is over. The next paint tries again.
    paintErrorPending = true;
    QTimer::singleShot(0, this, [this, result] {
        showErrorMessage(result);
        paintErrorPending = false;
    });
}

bool TMainForm::displayWave(bool vert, bool horiz)
{
    if (!waveDisplay)
        buildDisplay(); // a command before the first show still has a plot to draw on
    if (signalKind() != core::SignalKind::Tone)
        return displayTypedSignal(vert, horiz);
    shell::DisplayInputs in;
    in.signalFreq = widgets::readLocaleReal(SigFreq->text());
    in.levelDb = widgets::readLocaleReal(SigLevel->text());
    in.fsIndex = widgets::selectedCode(*FsSelect);
    in.waveShape = widgets::selectedCode(*WaveSelect);
    shell::displayWave(*this, in, vert, horiz, box, *waveDisplay);
    return true;
}

bool TMainForm::displayTypedSignal(bool vert, bool horiz)
{
    const auto typed = typedJob();
    if (!typed)
        return true;
    const auto signal = shell::checkSignalToDisplay(*typed, box);
    if (!signal)
        return true;
    const std::pair<session::JobDescription, bool> key{signal->job, horiz};
    if (pictureOf != key) {
        shell::SignalPicture picture;
        int r = 0;
        if (shell::framesToRead(*signal, horiz) <= immediateDisplayFrames) {
            r = shell::computeSignalPicture(*signal, horiz, picture);
        } else {
            // The worker has its own copy of the signal and fills its own
            // picture, which is read here only once it has finished.
            DisplayProgress progress(this, [read = *signal, horiz, &picture](core::Handover& handover) {
                return shell::computeSignalPicture(read, horiz, picture, &handover);
            });
            if (displayProgressHook)
                displayProgressHook(progress);
            const QPointer<QWidget> hadFocus = focusWidget();
            r = progress.run();
            // As after a save's progress window: without a window manager
            // nobody hands the keyboard back.
            if (isVisible()) {
                activateWindow();
                if (hadFocus && hadFocus->isVisible() && hadFocus->isEnabled())
                    hadFocus->setFocus(Qt::OtherFocusReason);
            }
            if (progress.cancelled() || r == shell::kDisplayStopped)
                return false;
        }
        if (r < 0) {
            showErrorMessage(r);
            return true;
        }
        lastPicture = std::move(picture);
        pictureOf = key;
    }
    shell::drawSignalPicture(*this, *typed, lastPicture, vert, box, *waveDisplay);
    return true;
}

void TMainForm::DrawButtonClick()
{
    const bool wasVert = vertExpand;
    const bool wasHoriz = horizExpand;
    const QString vertText = AutoScaleButton->text();
    const QString horizText = HorizExpandButton->text();
    vertExpand = false;
    horizExpand = false;
    AutoScaleButton->setText(QStringLiteral("Vert. Expand"));
    HorizExpandButton->setText(QStringLiteral("Horiz. Expand"));
    if (!displayWave(false, false)) {
        // Cancelled: the plot shows what it showed, with its toggles.
        vertExpand = wasVert;
        horizExpand = wasHoriz;
        AutoScaleButton->setText(vertText);
        HorizExpandButton->setText(horizText);
        return;
    }
    displayed = true;
}

void TMainForm::toggleExpand(bool& expand, QPushButton* button, const QString& expanded, const QString& normal)
{
    if (!displayed)
        return;
    expand = !expand;
    if (!displayWave(vertExpand, horizExpand)) {
        expand = !expand;
        return;
    }
    button->setText(expand ? expanded : normal);
}

void TMainForm::AutoScaleButtonClick()
{
    toggleExpand(vertExpand, AutoScaleButton, QStringLiteral("Resume Vert."), QStringLiteral("Vert. Expand"));
}

void TMainForm::HorizExpandClick()
{
    toggleExpand(horizExpand, HorizExpandButton, QStringLiteral("Resume Horiz."), QStringLiteral("Horiz. Expand"));
}

void TMainForm::showErrorMessage(int code)
{
    shell::showErrorMessage(box, code);
}

int TMainForm::InvokeProcess(const QString& commandLine)
{
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty())
        return -1;
    const QString program = words.takeFirst();
    if (QProcess::startDetached(program, words))
        return 0;
    // No such viewer on this desktop: show the document with whatever the
    // desktop opens it with.
    const QStringList folders = {QCoreApplication::applicationDirPath(), QDir::currentPath()};
    for (const QString& word : words) {
        for (const QString& folder : folders) {
            const QFileInfo document(QDir(folder), word);
            if (document.isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(document.absoluteFilePath())))
                return 0;
        }
    }
    return -1;
}

void TMainForm::HelpExecute()
{
    if (InvokeProcess(QString::fromLatin1(kHelpCommand)) < 0)
        box.show("InvokeProcess generated an error!", "Command Error");
}

void TMainForm::HelpContents1Execute()
{
    if (aboutBox != nullptr)
        aboutBox->exec();
}

void TMainForm::LicenseExecute()
{
    TDisplayLicense license(this);
    license.exec();
    if (license.readError)
        showErrorMessage(core::kLicenseReadError);
}

QPoint TMainForm::windowPosition(const QWidget* control) const
{
    return control->mapTo(this, QPoint(0, 0));
}

std::vector<QLabel*> TMainForm::scaleLabels() const
{
    std::vector<QLabel*> labels(LX.begin(), LX.end());
    labels.insert(labels.end(), LYL.begin(), LYL.end());
    labels.insert(labels.end(), LYR.begin(), LYR.end());
    labels.insert(labels.end(), {TXL, TYLL, TYRL});
    return labels;
}

QImage TMainForm::plotAreaImage()
{
    QRect area(windowPosition(WaveCanvas), WaveCanvas->size());
    std::vector<QLabel*> shown;
    for (QLabel* l : scaleLabels()) {
        if (l->isHidden())
            continue;
        shown.push_back(l);
        area |= QRect(windowPosition(l), l->size());
    }
    const QImage& picture = WaveCanvas->picture();
    // The labels are drawn at the picture's resolution too.
    const qreal ratio = picture.devicePixelRatio();
    const QSize logical(area.right() + 1, area.bottom() + 1);
    QImage image(ratio == 1.0 ? logical
                              : QSize(static_cast<int>(std::ceil(logical.width() * ratio)),
                                      static_cast<int>(std::ceil(logical.height() * ratio))),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(palette().color(QPalette::Window));
    QPainter painter(&image);
    painter.drawImage(windowPosition(WaveCanvas), picture);
    for (QLabel* l : shown)
        l->render(&painter, windowPosition(l), QRegion(), QWidget::DrawChildren);
    return image;
}

void TMainForm::setSignalParameters(const QString& freq, const QString& level, int rateIndex, int waveShapeIndex)
{
    SigFreq->setText(freq);
    SigLevel->setText(level);
    FsSelect->setCurrentIndex(rateIndex);
    WaveSelect->setCurrentIndex(waveShapeIndex);
}

void TMainForm::FileSaveAs1Execute()
{
    if (!saveAs)
        saveAs = std::make_unique<SaveAsCommand>(this, *this, box);
    const QPointer<QWidget> hadFocus = focusWidget();
    if (signalKind() == core::SignalKind::Tone) {
        saveAs->run(SigLevel->text(), SigFreq->text(), widgets::selectedCode(*FsSelect));
    } else if (const auto job = typedJob()) {
        saveAs->runJob(*job);
    }
    // Without a window manager nobody hands the keyboard back to this window
    // when the command's last modal window has gone; take it back, to the
    // control that had it.
    if (!isVisible())
        return;
    activateWindow();
    if (hadFocus && hadFocus->isVisible() && hadFocus->isEnabled())
        hadFocus->setFocus(Qt::OtherFocusReason);
}

void TMainForm::setSaveCommand(std::unique_ptr<SaveAsCommand> command)
{
    saveAs = std::move(command);
}

void TMainForm::FilePlay1Execute()
{
    if (player && player->playing()) {
        stopPlaying();
        return;
    }
    if (!saveAs)
        saveAs = std::make_unique<SaveAsCommand>(this, *this, box);
    session::JobDescription job;
    session::CheckResult checked;
    if (signalKind() == core::SignalKind::Tone) {
        if (!saveAs->checkTypedParameters(SigLevel->text(), SigFreq->text(), widgets::selectedCode(*FsSelect),
                                          SaveAsCommand::Use::Play))
            return;
        // The tone the display shows, as the 16-bit export would write it, on and on.
        job = shell::displayedJob(*this, core::SampleFormat::S16);
        checked = session::checkJob(job, session::CheckScope::Output);
    } else {
        // The signal as it was displayed (as its fields describe it when it
        // has not been), 16-bit at its rate, with every finding of the
        // command line's check.
        const auto typed = typedJob();
        if (!typed)
            return;
        job = *typed;
        if (const auto shown = shell::displayedJob(*this, *typed)) {
            if (*shown != *typed)
                box.show(kPlayParametersDiffer, core::kWarningTitle);
            job = *shown;
        }
        checked = session::checkJob(job, session::CheckScope::All);
        for (const session::Finding& finding : checked.findings) {
            if (finding.severity == session::Severity::Warning)
                box.show(finding.text, session::titleOf(finding));
        }
    }
    if (checked.refused()) {
        const session::Finding& refusal = checked.findings.back();
        box.show(refusal.text, session::titleOf(refusal));
        return;
    }
    if (!player)
        player = std::make_unique<session::PlaySession>();
    // A sweep plays once a press; the tone and noise run until stopped.
    const bool loop = job.kind != core::SignalKind::Sweep;
    if (const int r = player->start(job, *checked.plan, shell::windowAudioDevice(), loop); r < 0) {
        showAudioError(r, player->reason());
        return;
    }
    FilePlay1->setText(QStringLiteral("Stop(&P)"));
    if (playPoll == nullptr) {
        playPoll = new QTimer(this);
        playPoll->setInterval(100);
        connect(playPoll, &QTimer::timeout, this, [this] {
            if (const int r = player->poll(); r < 0) {
                stopPlaying();
                showAudioError(r, player->reason());
            } else if (!player->playing()) {
                // A sweep played once: the item offers Play again.
                stopPlaying();
            }
        });
    }
    playPoll->start();
}

void TMainForm::stopPlaying()
{
    if (playPoll != nullptr)
        playPoll->stop();
    if (player)
        player->stop();
    FilePlay1->setText(QStringLiteral("Play(&P)"));
}

void TMainForm::showAudioError(int code, const std::string& reason)
{
    std::string text(core::errorMessageText(code));
    if (!reason.empty())
        text += " (" + reason + ")";
    box.show(text, core::kApplicationErrorTitle);
}

} // namespace corvane::windows
