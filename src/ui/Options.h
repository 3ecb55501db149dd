#pragma once
// TFormOptions: the encoder settings in one modal dialog: a constant bitrate or a variable-bitrate
// level, and the priority, on sliders,
// the MPEG header flags and the mono, CRC and delete choices as check boxes, the encoder's
// path, and where the MP3s go (beside their sources or in a folder, the source folders kept
// below it or not, files whose MP3 exists skipped or not). The Options command loads it from
// the settings, shows it, and stores it back after OK; the dialog never writes the settings
// file. Main thread only.
#include <QDialog>
#include <QString>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TRxSlider;
struct TSettings;

class TFormOptions : public QDialog {
    Q_OBJECT

public:
    explicit TFormOptions(QWidget* owner);

    QWidget* PanelTop = nullptr;
    QWidget* PanelBottom = nullptr;

    QGroupBox* GroupBoxBitrate = nullptr;
    QRadioButton* RadioButtonCbr = nullptr; // "Constant bitrate": RxSliderBitrate shows
    QRadioButton* RadioButtonVbr = nullptr; // "Variable bitrate": RxSliderVbr shows
    QLabel* LabelCurrentBitrate = nullptr;
    QLabel* LabelBitrate = nullptr;
    TRxSlider* RxSliderBitrate = nullptr; // positions 1..14 of the bitrate table
    TRxSlider* RxSliderVbr = nullptr;     // positions 0..9: levels 9 (smallest) to 0 (best)
    QLabel* LabelPoorQuality = nullptr;
    QLabel* LabelGoodQuality = nullptr;
    QLabel* LabelSmallFile = nullptr;
    QLabel* LabelBigFile = nullptr;

    QGroupBox* GroupBoxPriority = nullptr;
    QLabel* LabelCurrentPriority = nullptr;
    QLabel* LabelPriority = nullptr;
    TRxSlider* RxSliderPriority = nullptr; // positions 0..5 = the priority levels
    QLabel* LabelSlower = nullptr;
    QLabel* LabelFaster = nullptr;
    QLabel* LabelDoesntInterfere = nullptr;
    QLabel* LabelInterferes = nullptr;

    QGroupBox* GroupBoxOptions = nullptr;
    QCheckBox* CheckBoxMono = nullptr;
    QCheckBox* CheckBoxCrc = nullptr;
    QCheckBox* CheckBoxDelete = nullptr;

    QGroupBox* GroupBoxFlags = nullptr;
    QCheckBox* CheckBoxOriginal = nullptr;
    QCheckBox* CheckBoxCopy = nullptr;
    QCheckBox* CheckBoxPrivate = nullptr;
    QCheckBox* CheckBoxCopyright = nullptr;

    QGroupBox* GroupBoxBladeEnc = nullptr;
    QLineEdit* EditBladeEnc = nullptr;  // the encoder path editor
    QAction* ActionBrowse = nullptr;    // its browse button (Ctrl+Enter)

    QGroupBox* GroupBoxOutput = nullptr;
    QLabel* LabelSaveMp3Files = nullptr;
    QRadioButton* RadioButtonBeside = nullptr; // MP3s beside their sources
    QRadioButton* RadioButtonFolder = nullptr; // MP3s in EditOutputFolder's folder
    QLineEdit* EditOutputFolder = nullptr;
    QPushButton* ButtonOutputBrowse = nullptr;
    QCheckBox* CheckBoxKeepSubfolders = nullptr;
    QCheckBox* CheckBoxSkipExisting = nullptr;

    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // Fills every control from `settings`. Raises "Invalid file name - %1" for a stored encoder
    // path that is no valid file name.
    void Load(const TSettings& settings);
    // Copies every control into `settings`.
    void Store(TSettings& settings) const;

    // The encoder path as the editor shows it (quoted when it holds a blank), and as it reads back.
    // SetBladeEncPath raises "Invalid file name - %1" for a path that is no valid file name.
    void SetBladeEncPath(const QString& path);
    QString BladeEncPath() const;

    // OK pressed: closes the dialog with OK unless the check vetoes (a path that is not the stored
    // one, not named BladeEnc, and not confirmed; or a path that is no valid file name; or an
    // output folder that is chosen but cannot take the MP3s, OutputFolderProblem).
    void ButtonOKClick();
    // The value labels (and what assistive technology reads) follow the sliders.
    void RxSliderBitrateChange(TRxSlider* Sender);
    void RxSliderPriorityChange(TRxSlider* Sender);
    void RxSliderVbrChange(TRxSlider* Sender);
    // The bitrate box follows the choice: the slider of the chosen mode, its caption and value.
    void BitrateModeChange();
    // The path editor's browse button: the file dialog, starting where the path points.
    void BrowseClick();
    // The folder editor, its browse button and "Keep the source folders" follow the output choice.
    void OutputModeChange();
    // The output folder's browse button: the folder chooser, starting at the folder typed.
    void OutputBrowseClick();

private:
    void CreateControls();
    void ArrangeControls();

    QString m_browseFolder; // the folder of the last file chosen by browsing
    QString m_storedPath;   // the encoder path of the settings Load showed: OK asks only about a new one
};
