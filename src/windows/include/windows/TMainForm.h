#pragma once

#include "core/CodeSets.h"
#include "session/JobDescription.h"
#include "session/JobParams.h"
#include "shell/DisplaySignal.h"
#include "shell/MainFormState.h"
#include "widgets/FormInput.h"

#include <QFont>
#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane::widgets {
class LabelAdapter;
class WindowChords;
} // namespace corvane::widgets
namespace corvane::shell {
class OkBox;
} // namespace corvane::shell
namespace corvane::session {
class PlaySession;
} // namespace corvane::session
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QSettings;
class QTimer;
namespace corvane::plot {
class WaveDisplay;
} // namespace corvane::plot
namespace corvane::widgets {
class WaveDraw;
} // namespace corvane::widgets

namespace corvane::windows {

class DisplayProgress;
class SaveAsCommand;
class TAboutBox;

// The main window: the four signal parameters, the plot with its scale
// labels, the display and expand buttons and the File and Help menus. The
// display command itself runs without Qt (corvane::displayWave); this class
// reads the controls, keeps the state and shows the results.
//
// Positions are those of the window's client area with the 25-pixel menu bar
// on top, so the plot stands at (40, 48) in window coordinates.
//
// Window thread only. The box must outlive the window.
class TMainForm : public QMainWindow, public shell::MainFormState {
public:
    static constexpr int kMenuBarHeight = 25;
    // The window as it first opens, menu bar included, and its plot. The
    // window is never smaller; extra room goes to the plot.
    static constexpr QSize kDefaultSize{611, 305};
    static constexpr QPoint kDefaultPosition{228, 127};
    static constexpr QSize kDefaultCanvasSize{361, 201};

    explicit TMainForm(shell::OkBox& box, QWidget* parent = nullptr);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // The version window the Help menu shows; built by the program entry,
    // it must outlive this window. Without one the item does nothing.
    void setAboutBox(TAboutBox* about) { aboutBox = about; }

    // --- Event handlers, public so tests and `corvane plot` can drive them.
    void FormCreate();
    void FormShow();
    void WaveCanvasPaint();
    void DrawButtonClick();
    void AutoScaleButtonClick();
    void HorizExpandClick();
    void HelpExecute();
    void HelpContents1Execute();
    void LicenseExecute();
    // "SaveTo(&A)": export parameters, file name, then the file is written.
    void FileSaveAs1Execute();
    // "Play(&P)": plays the displayed tone until chosen again ("Stop(&P)").
    void FilePlay1Execute();

    // False when a long signal's display was cancelled: the plot and the
    // expand toggles stay as they were.
    bool displayWave(bool vert, bool horiz);
    // One of the two expand buttons: flips its axis, redraws, relabels it.
    void toggleExpand(bool& expand, QPushButton* button, const QString& expanded, const QString& normal);
    void showErrorMessage(int code);
    // The signal choice: the tone shows the window's tone controls; every
    // other signal shows its fields, built from the parameter table.
    core::SignalKind signalKind() const;
    void SignalSelectChange();
    // The chosen signal (not the tone) as its fields describe it, in the
    // export's 16-bit format with the kept channels and reference level;
    // empty after a box when a field does not read as its number.
    std::optional<session::JobDescription> typedJob();

    // Starts the program the command line names and does not wait for it.
    // Where that program does not exist here, a document named on the line
    // and found beside the program or in the working folder is opened with
    // the desktop's viewer instead. 0 when something was started, else -1.
    int InvokeProcess(const QString& commandLine);

    // The plot as this window shows it: the canvas and every visible scale
    // label and title on the window background, pixel (x, y) of the image
    // being (x, y) of the window. The image reaches to the right and lower
    // edges of the canvas and its labels.
    QImage plotAreaImage();
    // Where a control stands in window coordinates.
    QPoint windowPosition(const QWidget* control) const;
    // The 26 scale and title labels, X values first, then left Y, right Y
    // and the titles X, left Y, right Y.
    std::vector<QLabel*> scaleLabels() const;

    // Types the four signal parameters into their controls, as a user would:
    // the texts of the frequency and level boxes and the list indexes of the
    // sampling rate and the waveshape.
    void setSignalParameters(const QString& freq, const QString& level, int rateIndex, int waveShapeIndex);

    // The plot widget, and the display layer that draws on it (null until
    // the window is first shown or a display command runs).
    widgets::WaveDraw& waveCanvas() { return *WaveCanvas; }
    const plot::WaveDisplay* display() const { return waveDisplay.get(); }

    // Other controls are reached by their object names (findChild), which
    // are the names the code uses below.

    // Replaces the save command, so tests can answer its dialogs.
    void setSaveCommand(std::unique_ptr<SaveAsCommand> command);
    // A signal whose display reads more frames than this is read on a worker
    // thread behind a progress window (tests lower it); the hook sees that
    // window before it is shown, so tests can answer it.
    void setImmediateDisplayFrames(long long frames) { immediateDisplayFrames = frames; }
    void setDisplayProgressHook(std::function<void(DisplayProgress&)> hook)
    {
        displayProgressHook = std::move(hook);
    }

    // Sizes the window so that its plot is canvasSize logical pixels, even
    // below the usual minimum (the command line draws small plots this way).
    // The plot is laid out again at once.
    void setCanvasSize(QSize canvasSize);
    // Device pixels per logical pixel of the plot's picture and of
    // plotAreaImage; 0 follows the screen.
    void setPlotPixelRatio(double ratio);

    // The window's place and size from the user's settings, fitted to the
    // screen (the default geometry when none is saved), with the signal last
    // chosen and the texts of every signal's fields. From then on the
    // geometry is saved there when the window closes, so the settings must
    // outlive the window.
    void restoreWindowGeometry(QSettings& settings);
    void saveWindowGeometry(QSettings& settings);
    // wanted moved and shrunk (never below minimum) to lie within available.
    static QRect fitToScreen(QRect wanted, QRect available, QSize minimum);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // One field of a signal, as its table row describes it.
    struct SignalField {
        session::FieldInfo row;
        QLabel* label;
        QWidget* editor; // QLineEdit, QComboBox (a choice, or offered values) or QCheckBox
        QLabel* unit; // null without a unit
    };
    // A signal's display: read at once, or behind a progress window when
    // long; the last picture is kept, so the expand toggles do not read the
    // same signal again. False when cancelled.
    bool displayTypedSignal(bool vert, bool horiz);
    void buildSignalChoice();
    void buildSignalFields();
    void dropSignalFields();
    // Where the buttons stand and how tall the window is for the fields shown.
    void placeForSignal(int extraHeight);
    QString fieldText(const SignalField& field) const;
    // What the field's text stands for as the job's setter takes it ('.'
    // decimals); empty after a box when it is not a number in the user's
    // notation.
    std::optional<std::string> setterText(const SignalField& field);
    // The last signal and every signal's field texts, beside the geometry.
    void restoreSignalChoice(QSettings& settings);
    void saveSignalChoice(QSettings& settings);

    void buildControls();
    void buildMenus();
    void buildDisplay();
    // Places the plot and the controls right of it for a window of this
    // size: the plot keeps its left and top margins and takes the extra room.
    void layoutControls(QSize windowSize);
    void WaveCanvasResize();
    void reportPlotError(int result);

    // Controls, named as the code refers to them.
    QMenuBar* ActionMainMenuBar1;
    widgets::WaveDraw* WaveCanvas;
    QLabel* SigFreqLabel;
    QLineEdit* SigFreq;
    QLabel* SigLevelLabel;
    QLineEdit* SigLevel;
    QLabel* dB;
    QLabel* SampleFreq;
    QComboBox* FsSelect;
    QLabel* Label1;
    QComboBox* WaveSelect;
    QPushButton* DrawButton;
    QPushButton* AutoScaleButton;
    QPushButton* HorizExpandButton;
    QLabel* SignalLabel;
    QComboBox* SignalSelect;
    QFont paramFont;
    // The fields of the chosen signal, made when it is chosen (the tone has
    // none: its controls are the window's own), and the texts each signal's
    // fields had when another was chosen.
    std::vector<SignalField> signalFields;
    std::map<std::pair<int, QString>, QString> keptFieldTexts; // by signal code and field name
    // The room the fields take below the tone's rows: the buttons move down
    // by it and the window grows by it, the plot keeping its size.
    int fieldsExtraHeight = 0;
    long long immediateDisplayFrames = shell::kImmediateDisplayFrames;
    std::function<void(DisplayProgress&)> displayProgressHook;
    // The signal (as the display reads it) and the expand of the last
    // picture read, and that picture.
    std::optional<std::pair<session::JobDescription, bool>> pictureOf;
    shell::SignalPicture lastPicture;
    widgets::WindowChords* chords = nullptr;
    std::array<QLabel*, 11> LX{};
    std::array<QLabel*, 9> LYL{};
    std::array<QLabel*, 3> LYR{};
    QLabel* TXL;
    QLabel* TYLL;
    QLabel* TYRL;

    QObject* ActionManager1;
    QAction* FileSaveAs1;
    QAction* FilePlay1;
    QAction* FileExit1;
    QAction* Help;
    QAction* HelpContents1;
    QAction* License;

    // Built at the first show and kept until the window goes; it draws from
    // displayData.
    std::unique_ptr<plot::WaveDisplay> waveDisplay;
    // Keeps the last accepted file name and the export settings between saves.
    std::unique_ptr<SaveAsCommand> saveAs;
    // The controls right of the plot with their left edges at the default size; they
    // keep their distance from the window's right edge.
    std::vector<std::pair<QWidget*, int>> rightColumn;
    // Where to save the geometry on close; set by restoreWindowGeometry.
    QSettings* geometrySettings = nullptr;

    shell::OkBox& box;
    TAboutBox* aboutBox = nullptr;
    std::vector<std::unique_ptr<widgets::LabelAdapter>> labelAdapters; // the canvas points at these
    bool paintErrorPending = false;
    // Plays on its own thread; the timer watches it for an error that ends it.
    std::unique_ptr<session::PlaySession> player;
    QTimer* playPoll = nullptr;
    void stopPlaying();
    void showAudioError(int code, const std::string& reason);
};

} // namespace corvane::windows
