#include "Options.h"

#include "Dialogs.h"
#include "Errors.h"
#include "OptionsRules.h"
#include "OutputInterpreter.h"
#include "ResStr.h"
#include "RxSlider.h"
#include "Globals.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The design: client 330 x 301 with the 8-point dialog font, two columns of at least 153 and rows
// of at least 97, 89 and 49 pixels. These are minimums: a larger font or longer texts grow the
// columns, the rows and the dialog so that nothing is cut.
constexpr QSize DesignSize{330, 301};
constexpr int ColumnWidth = 153;
constexpr int Spacing = 7;
constexpr int RowHeights[] = {97, 89, 49};
constexpr QSize ButtonSize{75, 23};
constexpr int PathEditWidth = 297;
constexpr int PathEditHeight = 21;
constexpr int OutputEditWidth = 160;

QLabel* NewLabel(const QString& text, QWidget* parent, Qt::Alignment alignment = Qt::AlignLeft)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

QVBoxLayout* CheckBoxColumn(QGroupBox* box, std::initializer_list<QCheckBox*> boxes)
{
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(8, 0, 8, 2);
    layout->setSpacing(0);
    for (QCheckBox* check : boxes)
        layout->addWidget(check);
    layout->addStretch(1);
    return layout;
}

// One slider box: a row of choices (if any), "Current ...:" with the value label, the slider
// (sliders of which one shows at a time share its place), and two lines of texts at both ends.
void SliderBox(QGroupBox* box, std::initializer_list<QWidget*> choices, QLabel* caption, QLabel* value,
               std::initializer_list<TRxSlider*> sliders, std::initializer_list<QLabel*> ends)
{
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(8, 0, 8, 2);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    int row = 0;
    if (choices.size() > 0) {
        auto* choiceRow = new QHBoxLayout;
        choiceRow->setSpacing(8);
        for (QWidget* choice : choices)
            choiceRow->addWidget(choice);
        choiceRow->addStretch(1);
        grid->addLayout(choiceRow, row++, 0, 1, 2);
    }
    auto* first = new QHBoxLayout;
    first->setSpacing(4);
    first->addWidget(caption);
    first->addWidget(value, 1);
    grid->addLayout(first, row++, 0, 1, 2);
    for (TRxSlider* slider : sliders)
        grid->addWidget(slider, row, 0, 1, 2);
    ++row;
    int i = 0;
    for (QLabel* label : ends) {
        grid->addWidget(label, row + i / 2, i % 2);
        ++i;
    }
    grid->setRowStretch(row + 2, 1);
}
} // namespace

TFormOptions::TFormOptions(QWidget* owner) : QDialog(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(ResStr::OptionsCaption);

    CreateControls();
    ArrangeControls();

    // Keyboard order: the bitrate mode, the sliders (each after its group's caption; the hidden
    // one of the two bitrate sliders is skipped), the flags, the options, the path, then the buttons.
    const QList<QWidget*> order = {RadioButtonCbr,    RadioButtonVbr, RxSliderBitrate, RxSliderVbr,
                                   RxSliderPriority,  CheckBoxOriginal, CheckBoxCopy,  CheckBoxPrivate,
                                   CheckBoxCopyright, CheckBoxMono,   CheckBoxCrc,     CheckBoxDelete,
                                   EditBladeEnc,      RadioButtonBeside, RadioButtonFolder, EditOutputFolder,
                                   ButtonOutputBrowse, CheckBoxKeepSubfolders, CheckBoxSkipExisting,
                                   ButtonOK,       ButtonCancel};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order.at(i), order.at(i + 1));
    CheckBoxOriginal->setFocus();

    // The designed dialog's sliders rest on position 1, so that loading always changes them and
    // the change rule fills the value labels.
    RxSliderBitrate->SetValue(1);
    RxSliderPriority->SetValue(1);
    RxSliderVbr->SetValue(1);
    RadioButtonCbr->setChecked(true);
    BitrateModeChange();
    RadioButtonBeside->setChecked(true);
    OutputModeChange();
}

void TFormOptions::CreateControls()
{
    QFont regular = font();
    regular.setBold(false);
    QFont bold = regular;
    bold.setBold(true);
    const auto group = [&](const QString& title, QWidget* parent) {
        auto* box = new QGroupBox(title, parent);
        box->setFont(bold);
        return box;
    };

    PanelTop = new QWidget(this);
    PanelBottom = new QWidget(this);

    GroupBoxBitrate = group(ResStr::OptionsBitrate, PanelTop);
    RadioButtonCbr = new QRadioButton(ResStr::OptionsConstantBitrate, GroupBoxBitrate);
    RadioButtonVbr = new QRadioButton(ResStr::OptionsVariableBitrate, GroupBoxBitrate);
    LabelCurrentBitrate = NewLabel(ResStr::OptionsCurrentBitrate, GroupBoxBitrate);
    LabelBitrate = NewLabel(QString(), GroupBoxBitrate);
    RxSliderBitrate = new TRxSlider(GroupBoxBitrate);
    LabelCurrentBitrate->setBuddy(RxSliderBitrate);
    RxSliderBitrate->SetRange(1, int(Bitrates.size()));
    RxSliderBitrate->setAccessibleName(ResStr::OptionsBitrate);
    RxSliderVbr = new TRxSlider(GroupBoxBitrate);
    RxSliderVbr->SetRange(VbrPosition(VbrSmallest), VbrPosition(VbrBest));
    RxSliderVbr->setAccessibleName(ResStr::OptionsVariableBitrate);
    LabelPoorQuality = NewLabel(ResStr::OptionsPoorQuality, GroupBoxBitrate);
    LabelGoodQuality = NewLabel(ResStr::OptionsGoodQuality, GroupBoxBitrate, Qt::AlignRight);
    LabelSmallFile = NewLabel(ResStr::OptionsSmallFile, GroupBoxBitrate);
    LabelBigFile = NewLabel(ResStr::OptionsBigFile, GroupBoxBitrate, Qt::AlignRight);
    SliderBox(GroupBoxBitrate, {RadioButtonCbr, RadioButtonVbr}, LabelCurrentBitrate, LabelBitrate,
              {RxSliderBitrate, RxSliderVbr}, {LabelPoorQuality, LabelGoodQuality, LabelSmallFile, LabelBigFile});

    GroupBoxPriority = group(ResStr::OptionsPriority, PanelTop);
    LabelCurrentPriority = NewLabel(ResStr::OptionsCurrentPriority, GroupBoxPriority);
    LabelPriority = NewLabel(QString(), GroupBoxPriority);
    RxSliderPriority = new TRxSlider(GroupBoxPriority);
    LabelCurrentPriority->setBuddy(RxSliderPriority);
    RxSliderPriority->SetRange(0, int(PriorityNames().size()) - 1);
    RxSliderPriority->setAccessibleName(ResStr::OptionsPriority);
    LabelSlower = NewLabel(ResStr::OptionsSlower, GroupBoxPriority);
    LabelFaster = NewLabel(ResStr::OptionsFaster, GroupBoxPriority, Qt::AlignRight);
    LabelDoesntInterfere = NewLabel(ResStr::OptionsDoesntInterfere, GroupBoxPriority);
    LabelInterferes = NewLabel(ResStr::OptionsInterferes, GroupBoxPriority, Qt::AlignRight);
    SliderBox(GroupBoxPriority, {}, LabelCurrentPriority, LabelPriority, {RxSliderPriority},
              {LabelSlower, LabelFaster, LabelDoesntInterfere, LabelInterferes});

    GroupBoxOptions = group(ResStr::OptionsOptions, PanelTop);
    CheckBoxMono = new QCheckBox(ResStr::OptionsMono, GroupBoxOptions);
    CheckBoxCrc = new QCheckBox(ResStr::OptionsCrc, GroupBoxOptions);
    CheckBoxDelete = new QCheckBox(ResStr::OptionsDelete, GroupBoxOptions);
    CheckBoxColumn(GroupBoxOptions, {CheckBoxMono, CheckBoxCrc, CheckBoxDelete});

    GroupBoxFlags = group(ResStr::OptionsFlags, PanelTop);
    CheckBoxOriginal = new QCheckBox(ResStr::OptionsOriginal, GroupBoxFlags);
    CheckBoxCopy = new QCheckBox(ResStr::OptionsCopy, GroupBoxFlags);
    CheckBoxPrivate = new QCheckBox(ResStr::OptionsPrivate, GroupBoxFlags);
    CheckBoxCopyright = new QCheckBox(ResStr::OptionsCopyright, GroupBoxFlags);
    CheckBoxColumn(GroupBoxFlags, {CheckBoxOriginal, CheckBoxCopy, CheckBoxPrivate, CheckBoxCopyright});

    GroupBoxBladeEnc = group(ResStr::OptionsBladeEnc, PanelTop);
    EditBladeEnc = new QLineEdit(GroupBoxBladeEnc);
    EditBladeEnc->setMinimumSize(PathEditWidth, PathEditHeight);
    EditBladeEnc->setAccessibleName(ResStr::OptionsBladeEnc);
    ActionBrowse = EditBladeEnc->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
    ActionBrowse->setText(ResStr::OptionsBrowse);
    ActionBrowse->setToolTip(ResStr::OptionsBrowse);
    ActionBrowse->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    ActionBrowse->setShortcutContext(Qt::WindowShortcut);
    connect(ActionBrowse, &QAction::triggered, this, [this] { RunGuarded([this] { BrowseClick(); }); });
    auto* pathLayout = new QHBoxLayout(GroupBoxBladeEnc);
    pathLayout->setContentsMargins(8, 0, 8, 4);
    pathLayout->addWidget(EditBladeEnc);

    GroupBoxOutput = group(ResStr::OptionsOutput, PanelTop);
    LabelSaveMp3Files = NewLabel(ResStr::OptionsSaveMp3Files, GroupBoxOutput);
    RadioButtonBeside = new QRadioButton(ResStr::OptionsBesideSources, GroupBoxOutput);
    RadioButtonFolder = new QRadioButton(ResStr::OptionsInFolder, GroupBoxOutput);
    EditOutputFolder = new QLineEdit(GroupBoxOutput);
    EditOutputFolder->setMinimumSize(OutputEditWidth, PathEditHeight);
    EditOutputFolder->setAccessibleName(ResStr::OptionsOutput);
    ButtonOutputBrowse = new QPushButton(ResStr::OptionsOutputBrowse, GroupBoxOutput);
    ButtonOutputBrowse->setAutoDefault(false);
    CheckBoxKeepSubfolders = new QCheckBox(ResStr::OptionsKeepSubfolders, GroupBoxOutput);
    CheckBoxSkipExisting = new QCheckBox(ResStr::OptionsSkipExisting, GroupBoxOutput);
    auto* outputGrid = new QGridLayout(GroupBoxOutput);
    outputGrid->setContentsMargins(8, 0, 8, 4);
    outputGrid->setHorizontalSpacing(6);
    outputGrid->setVerticalSpacing(2);
    outputGrid->addWidget(LabelSaveMp3Files, 0, 0);
    outputGrid->addWidget(RadioButtonBeside, 0, 1, 1, 3);
    outputGrid->addWidget(RadioButtonFolder, 1, 1);
    outputGrid->addWidget(EditOutputFolder, 1, 2);
    outputGrid->addWidget(ButtonOutputBrowse, 1, 3);
    outputGrid->addWidget(CheckBoxKeepSubfolders, 2, 2, 1, 2);
    outputGrid->addWidget(CheckBoxSkipExisting, 3, 0, 1, 4);
    outputGrid->setColumnStretch(2, 1);
    connect(RadioButtonFolder, &QRadioButton::toggled, this, [this] { RunGuarded([this] { OutputModeChange(); }); });
    connect(ButtonOutputBrowse, &QPushButton::clicked, this, [this] { RunGuarded([this] { OutputBrowseClick(); }); });

    // Everything inside the group boxes is regular; only their captions are bold.
    for (QGroupBox* box :
         {GroupBoxBitrate, GroupBoxPriority, GroupBoxOptions, GroupBoxFlags, GroupBoxBladeEnc, GroupBoxOutput})
        for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->setFont(regular);

    ButtonOK = new QPushButton(ResStr::OptionsOK, PanelBottom);
    ButtonOK->setDefault(true);
    ButtonCancel = new QPushButton(ResStr::OptionsCancel, PanelBottom);
    connect(ButtonOK, &QPushButton::clicked, this, [this] { RunGuarded([this] { ButtonOKClick(); }); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { reject(); });

    RxSliderBitrate->OnChange = [this](TRxSlider* sender) { RunGuarded([&] { RxSliderBitrateChange(sender); }); };
    RxSliderPriority->OnChange = [this](TRxSlider* sender) {
        RunGuarded([&] { RxSliderPriorityChange(sender); });
    };
    RxSliderVbr->OnChange = [this](TRxSlider* sender) { RunGuarded([&] { RxSliderVbrChange(sender); }); };
    connect(RadioButtonVbr, &QRadioButton::toggled, this, [this] { RunGuarded([this] { BitrateModeChange(); }); });
}

void TFormOptions::ArrangeControls()
{
    // The value labels must hold their widest texts.
    const auto fitWidest = [](QLabel* label, const QStringList& texts) {
        int widest = 0;
        for (const QString& text : texts)
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(text));
        label->setMinimumWidth(widest + 2);
    };
    QStringList bitrateTexts;
    for (const QString& b : Bitrates)
        bitrateTexts << ResStr::OptionsBitrateValue.arg(b);
    for (std::int32_t level = VbrBest; level <= VbrSmallest; ++level)
        bitrateTexts << VbrLevelText(level);
    fitWidest(LabelBitrate, bitrateTexts);
    fitWidest(LabelCurrentBitrate, {ResStr::OptionsCurrentBitrate, ResStr::OptionsCurrentVbr});
    fitWidest(LabelPriority, PriorityNames());

    auto* grid = new QGridLayout(PanelTop);
    grid->setContentsMargins(8, 8, 9, 7);
    grid->setSpacing(Spacing);
    grid->addWidget(GroupBoxBitrate, 0, 0);
    grid->addWidget(GroupBoxPriority, 0, 1);
    grid->addWidget(GroupBoxOptions, 1, 0);
    grid->addWidget(GroupBoxFlags, 1, 1);
    grid->addWidget(GroupBoxBladeEnc, 2, 0, 1, 2);
    grid->addWidget(GroupBoxOutput, 3, 0, 1, 2);
    for (int column : {0, 1}) {
        grid->setColumnMinimumWidth(column, ColumnWidth);
        grid->setColumnStretch(column, 1);
    }
    for (int row = 0; row < 3; ++row)
        grid->setRowMinimumHeight(row, RowHeights[row]);

    // The buttons in the middle of the strip below, at least their design size.
    auto* buttons = new QDialogButtonBox(PanelBottom);
    buttons->setCenterButtons(true);
    for (QPushButton* button : {ButtonOK, ButtonCancel}) {
        button->setMinimumSize(ButtonSize);
        buttons->addButton(button, button == ButtonOK ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole);
    }
    auto* strip = new QHBoxLayout(PanelBottom);
    strip->setContentsMargins(8, 3, 8, 7);
    strip->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PanelTop, 1);
    layout->addWidget(PanelBottom);
    ensurePolished();
    layout->activate();
    setMinimumSize(DesignSize.expandedTo(layout->totalMinimumSize()));
    resize(minimumSize());
    setSizeGripEnabled(false);
}

void TFormOptions::Load(const TSettings& settings)
{
    const TSettings& g = settings;
    m_storedPath = g.BladeEncPath;
    CheckBoxMono->setChecked(g.Mono);
    CheckBoxCrc->setChecked(g.Crc);
    CheckBoxDelete->setChecked(g.DeleteSource);
    CheckBoxOriginal->setChecked(g.Mp3Flags & mfOriginal);
    CheckBoxCopy->setChecked(g.Mp3Flags & mfCopy);
    CheckBoxPrivate->setChecked(g.Mp3Flags & mfPrivate);
    CheckBoxCopyright->setChecked(g.Mp3Flags & mfCopyright);
    RxSliderBitrate->SetValue(8);
    RxSliderBitrate->SetValue(BitratePosition(g.Bitrate));
    RxSliderVbr->SetValue(VbrPosition(g.Vbr));
    (IsVbrLevel(g.Vbr) ? RadioButtonVbr : RadioButtonCbr)->setChecked(true);
    BitrateModeChange();
    RxSliderPriority->SetValue(3);
    RxSliderPriority->SetValue(PriorityPosition(g.Priority));
    // A stored path the editor cannot quote is shown as it is, so that it can be mended here.
    if (IsValidFileName(g.BladeEncPath))
        SetBladeEncPath(g.BladeEncPath);
    else
        EditBladeEnc->setText(g.BladeEncPath);
    (g.OutputFolder.isEmpty() ? RadioButtonBeside : RadioButtonFolder)->setChecked(true);
    EditOutputFolder->setText(g.OutputFolder);
    CheckBoxKeepSubfolders->setChecked(g.KeepSubfolders);
    CheckBoxSkipExisting->setChecked(g.SkipExisting);
    OutputModeChange();
}

void TFormOptions::Store(TSettings& settings) const
{
    TSettings& g = settings;
    g.Mono = CheckBoxMono->isChecked();
    g.Crc = CheckBoxCrc->isChecked();
    g.DeleteSource = CheckBoxDelete->isChecked();
    std::uint8_t flags = 0;
    if (CheckBoxOriginal->isChecked())
        flags |= mfOriginal;
    if (CheckBoxCopy->isChecked())
        flags |= mfCopy;
    if (CheckBoxPrivate->isChecked())
        flags |= mfPrivate;
    if (CheckBoxCopyright->isChecked())
        flags |= mfCopyright;
    g.Mp3Flags = flags;
    g.Bitrate = BitrateAtPosition(RxSliderBitrate->Value());
    g.Vbr = RadioButtonVbr->isChecked() ? VbrLevelAtPosition(RxSliderVbr->Value()) : VbrOff;
    g.Priority = static_cast<std::uint8_t>(RxSliderPriority->Value());
    g.BladeEncPath = BladeEncPath();
    g.OutputFolder = RadioButtonFolder->isChecked() ? QDir::cleanPath(EditOutputFolder->text()) : QString();
    g.KeepSubfolders = CheckBoxKeepSubfolders->isChecked();
    g.SkipExisting = CheckBoxSkipExisting->isChecked();
}

void TFormOptions::SetBladeEncPath(const QString& path)
{
    const QString text = PathEditText(path);
    if (!IsValidFileName(FirstCommandLineItem(text)))
        throw Exception(ResStr::InvalidFileName.arg(path));
    EditBladeEnc->setText(text);
}

QString TFormOptions::BladeEncPath() const
{
    return PathFromEditText(EditBladeEnc->text());
}

void TFormOptions::ButtonOKClick()
{
    // First, so that a confirmed encoder name is not asked about again after this is mended.
    if (RadioButtonFolder->isChecked()) {
        const QString problem = OutputFolderProblem(EditOutputFolder->text());
        if (!problem.isEmpty()) {
            ShowMessageBox(problem, ResStr::CaptionError, MB_OK | MB_ICONERROR);
            EditOutputFolder->setFocus();
            return;
        }
    }
    const QString path = BladeEncPath();
    if (path != m_storedPath) {
        // A path the editor could not show again would lock the user out of this dialog.
        if (!IsValidFileName(path)) {
            ShowMessageBox(ResStr::InvalidFileName.arg(path), ResStr::CaptionError, MB_OK | MB_ICONERROR);
            EditBladeEnc->setFocus();
            return;
        }
        if (!IsBladeEncName(path)
            && ShowMessageBox(ResStr::OptionsNotBladeEnc, ResStr::CaptionQuestion, MB_YESNOCANCEL | MB_ICONQUESTION)
                   != IDYES)
            return;
    }
    accept();
}

void TFormOptions::RxSliderBitrateChange(TRxSlider* Sender)
{
    Sender->SetValueText(ResStr::OptionsBitrateValue.arg(Bitrates.value(Sender->Value() - 1)));
    if (!RadioButtonVbr->isChecked())
        LabelBitrate->setText(Sender->ValueText());
}

void TFormOptions::RxSliderVbrChange(TRxSlider* Sender)
{
    Sender->SetValueText(VbrLevelText(VbrLevelAtPosition(Sender->Value())));
    if (RadioButtonVbr->isChecked())
        LabelBitrate->setText(Sender->ValueText());
}

void TFormOptions::BitrateModeChange()
{
    const bool vbr = RadioButtonVbr->isChecked();
    TRxSlider* shown = vbr ? RxSliderVbr : RxSliderBitrate;
    // The hidden slider must not keep the focus: its arrow keys would change a value nobody sees.
    // The dialog's focus widget, not hasFocus(): the choice may be made while the dialog is inactive.
    const bool hadFocus = focusWidget() == RxSliderVbr || focusWidget() == RxSliderBitrate;
    RxSliderBitrate->setVisible(!vbr);
    RxSliderVbr->setVisible(vbr);
    if (hadFocus)
        shown->setFocus();
    LabelCurrentBitrate->setText(vbr ? ResStr::OptionsCurrentVbr : ResStr::OptionsCurrentBitrate);
    LabelCurrentBitrate->setBuddy(shown);
    LabelBitrate->setText(shown->ValueText());
}

void TFormOptions::RxSliderPriorityChange(TRxSlider* Sender)
{
    LabelPriority->setText(PriorityNames().value(Sender->Value()));
    Sender->SetValueText(LabelPriority->text());
}

void TFormOptions::BrowseClick()
{
    const auto focusBack = qScopeGuard([this] { EditBladeEnc->setFocus(); });
    const QString current = BladeEncPath();
    FileDialogRequest request;
    request.Parent = this;
    request.Title = ResStr::OptionsBrowseTitle;
    request.Filter = ResStr::OptionsBrowseFilter;
    request.FilterIndex = 1;
    request.InitialDir = BrowseStartFolder(current, m_browseFolder);
    const QString name = FileNamePart(current);
    if (IsValidFileName(name))
        request.FileName = name;
    const QStringList chosen = ShowOpenFilesDialog(request);
    if (chosen.isEmpty())
        return;
    const QString path = chosen.constFirst();
    SetBladeEncPath(path);
    m_browseFolder = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

void TFormOptions::OutputModeChange()
{
    const bool inFolder = RadioButtonFolder->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{EditOutputFolder, ButtonOutputBrowse, CheckBoxKeepSubfolders})
        w->setEnabled(inFolder);
}

void TFormOptions::OutputBrowseClick()
{
    const auto focusBack = qScopeGuard([this] { EditOutputFolder->setFocus(); });
    FileDialogRequest request;
    request.Parent = this;
    request.Title = ResStr::OptionsOutputBrowseTitle;
    const QString typed = EditOutputFolder->text();
    request.InitialDir = !typed.isEmpty() && QFileInfo(typed).isDir() ? typed : QDir::homePath();
    const QString chosen = ShowChooseFolderDialog(request);
    if (!chosen.isEmpty())
        EditOutputFolder->setText(chosen);
}
