#pragma once

#include <QDialog>

namespace corvane::shell {
class OkBox;
} // namespace corvane::shell
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace corvane::widgets {

// "WAV File Parameters": the length (in seconds or samples), the sample
// format, stereo or mono and the reference level of the float formats. "OK"
// checks the entries and closes only when they pass; the close box closes
// without checks. The caller reads the fields back however it was closed:
// each "OK" attempt stores what it parsed before the check that stopped it.
class TWaveFileForm : public QDialog {
    Q_OBJECT
public:
    // boxes shows the messages and must outlive the dialog.
    TWaveFileForm(QWidget* owner, shell::OkBox& boxes, int fs, int dataLength, bool inSeconds, bool stereo,
                  double minSeconds, double maxSeconds, double levelDb, int dataFormat, double refLevel);

    int fs;
    int dataLength;
    bool inSeconds;
    bool stereo;
    double minSeconds;
    double maxSeconds;
    double levelDb;
    int dataFormat;
    double refLevel;

    QLabel* Length;
    QLineEdit* LengthEdit;
    QComboBox* LengthSelect;
    QLabel* Label1;
    QComboBox* FormatCombo;
    QGroupBox* ChSelect;
    QRadioButton* StereoButton;
    QRadioButton* MonoButton;
    QGroupBox* RefGroup;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* RefEdit;
    QPushButton* OKButton;

    // For the measurement signals: a "TPDF dither" box for the integer
    // formats, under the others; the tone's dialog has none. Before the show.
    void offerDither(bool on);
    QCheckBox* DitherCheck = nullptr;
    bool dither = false; // what the box said at the last "OK" attempt

    // For a sweep: "also write the inverse filter", with its file name
    // (empty: beside the sweep's file, named after it). Before the show.
    void offerInverse();
    QCheckBox* InverseCheck = nullptr;
    QLineEdit* InverseEdit = nullptr;
    bool writeInverse = false; // read at each "OK" attempt, as the others
    QString inverseName;

    // The handlers, public so tests can drive them as the window system would.
    void FormShow();
    void FormatComboSelect();
    void OKButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    shell::OkBox& boxes;
};

} // namespace corvane::widgets
