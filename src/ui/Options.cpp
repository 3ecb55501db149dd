#include "Options.h"

#include "Dialogs.h"
#include "Errors.h"
#include "OptionsRules.h"
#include "OutputInterpreter.h"
#include "ResStr.h"
#include "RxSlider.h"
#include "Globals.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The design: client 330 x 301 with the 8-point dialog font; a larger desktop font grows the
// columns and rows from these sizes so that nothing is cut.
constexpr int Margin = 8;
constexpr int ColumnWidth = 153;
constexpr int ColumnGap = 7;
constexpr int RightMargin = 9;
constexpr int RowGap = 7;
constexpr int SliderRowHeight = 97;
constexpr int CheckRowHeight = 89;
constexpr int PathRowHeight = 49;
constexpr int BottomMargin = 7;     // below the path box, inside the upper panel
constexpr int PanelBottomHeight = 37;
constexpr int ButtonTop = 10;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 23;
constexpr int ButtonOKLeft = 71;
constexpr int ButtonGap = 13;       // Cancel at 159
constexpr int PathEditWidth = 297;
constexpr int PathEditHeight = 21;

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

// One slider box: "Current ...:" with the value label, the slider, and two lines of texts at
// both ends.
void SliderBox(QGroupBox* box, QLabel* caption, QLabel* value, TRxSlider* slider,
               std::initializer_list<QLabel*> ends)
{
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(8, 0, 8, 2);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    auto* first = new QHBoxLayout;
    first->setSpacing(4);
    first->addWidget(caption);
    first->addWidget(value, 1);
    grid->addLayout(first, 0, 0, 1, 2);
    grid->addWidget(slider, 1, 0, 1, 2);
    int i = 0;
    for (QLabel* label : ends) {
        grid->addWidget(label, 2 + i / 2, i % 2);
        ++i;
    }
    grid->setRowStretch(4, 1);
}
} // namespace

TFormOptions::TFormOptions(QWidget* owner) : QDialog(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(ResStr::OptionsCaption);
    // The design font where the desktop has it; the desktop's own font elsewhere.
    const QString designFamily = QStringLiteral("MS Sans Serif");
    if (QFontDatabase::families().contains(designFamily))
        setFont(QFont(designFamily, 8));

    CreateControls();
    ArrangeControls();

    // Keyboard order: the sliders (each after its group's caption), the flags, the options, the
    // path, then the buttons.
    const QList<QWidget*> order = {RxSliderBitrate, RxSliderPriority, CheckBoxOriginal, CheckBoxCopy,
                                   CheckBoxPrivate, CheckBoxCopyright, CheckBoxMono,     CheckBoxCrc,
                                   CheckBoxDelete,  EditBladeEnc,      ButtonOK,         ButtonCancel};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order.at(i), order.at(i + 1));
    CheckBoxOriginal->setFocus();

    // The designed dialog's sliders rest on position 1, so that loading always changes them and
    // the change rule fills the value labels.
    RxSliderBitrate->SetValue(1);
    RxSliderPriority->SetValue(1);
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
    LabelCurrentBitrate = NewLabel(ResStr::OptionsCurrentBitrate, GroupBoxBitrate);
    LabelBitrate = NewLabel(QString(), GroupBoxBitrate);
    RxSliderBitrate = new TRxSlider(GroupBoxBitrate);
    LabelCurrentBitrate->setBuddy(RxSliderBitrate);
    RxSliderBitrate->SetRange(1, int(Bitrates.size()));
    RxSliderBitrate->setAccessibleName(ResStr::OptionsBitrate);
    LabelPoorQuality = NewLabel(ResStr::OptionsPoorQuality, GroupBoxBitrate);
    LabelGoodQuality = NewLabel(ResStr::OptionsGoodQuality, GroupBoxBitrate, Qt::AlignRight);
    LabelSmallFile = NewLabel(ResStr::OptionsSmallFile, GroupBoxBitrate);
    LabelBigFile = NewLabel(ResStr::OptionsBigFile, GroupBoxBitrate, Qt::AlignRight);
    SliderBox(GroupBoxBitrate, LabelCurrentBitrate, LabelBitrate, RxSliderBitrate,
              {LabelPoorQuality, LabelGoodQuality, LabelSmallFile, LabelBigFile});

    GroupBoxPriority = group(ResStr::OptionsPriority, PanelTop);
    LabelCurrentPriority = NewLabel(ResStr::OptionsCurrentPriority, GroupBoxPriority);
    LabelPriority = NewLabel(QString(), GroupBoxPriority);
    RxSliderPriority = new TRxSlider(GroupBoxPriority);
    LabelCurrentPriority->setBuddy(RxSliderPriority);
    RxSliderPriority->SetRange(0, int(PriorityNames.size()) - 1);
    RxSliderPriority->setAccessibleName(ResStr::OptionsPriority);
    LabelSlower = NewLabel(ResStr::OptionsSlower, GroupBoxPriority);
    LabelFaster = NewLabel(ResStr::OptionsFaster, GroupBoxPriority, Qt::AlignRight);
    LabelDoesntInterfere = NewLabel(ResStr::OptionsDoesntInterfere, GroupBoxPriority);
    LabelInterferes = NewLabel(ResStr::OptionsInterferes, GroupBoxPriority, Qt::AlignRight);
    SliderBox(GroupBoxPriority, LabelCurrentPriority, LabelPriority, RxSliderPriority,
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

    // Everything inside the group boxes is regular; only their captions are bold.
    for (QGroupBox* box : {GroupBoxBitrate, GroupBoxPriority, GroupBoxOptions, GroupBoxFlags, GroupBoxBladeEnc})
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
    fitWidest(LabelBitrate, bitrateTexts);
    fitWidest(LabelPriority, PriorityNames);

    const auto minWidth = [](QWidget* w) { return w->minimumSizeHint().width(); };
    const auto minHeight = [](QWidget* w) { return w->minimumSizeHint().height(); };
    int column = std::max({ColumnWidth, minWidth(GroupBoxBitrate), minWidth(GroupBoxPriority),
                           minWidth(GroupBoxOptions), minWidth(GroupBoxFlags)});
    column = std::max(column, (minWidth(GroupBoxBladeEnc) - ColumnGap + 1) / 2);
    const int sliderRow = std::max({SliderRowHeight, minHeight(GroupBoxBitrate), minHeight(GroupBoxPriority)});
    const int checkRow = std::max({CheckRowHeight, minHeight(GroupBoxOptions), minHeight(GroupBoxFlags)});
    const int pathRow = std::max(PathRowHeight, minHeight(GroupBoxBladeEnc));

    const int right = Margin + column + ColumnGap;
    const int top2 = Margin + sliderRow + RowGap;
    const int top3 = top2 + checkRow + RowGap;
    GroupBoxBitrate->setGeometry(Margin, Margin, column, sliderRow);
    GroupBoxPriority->setGeometry(right, Margin, column, sliderRow);
    GroupBoxOptions->setGeometry(Margin, top2, column, checkRow);
    GroupBoxFlags->setGeometry(right, top2, column, checkRow);
    GroupBoxBladeEnc->setGeometry(Margin, top3, 2 * column + ColumnGap, pathRow);

    const int clientWidth = right + column + RightMargin;
    const int panelTopHeight = top3 + pathRow + BottomMargin;
    PanelTop->setGeometry(0, 0, clientWidth, panelTopHeight);

    // The buttons keep their design places, moved with the dialog's growth; larger ones stay apart.
    const QSize button(std::max({ButtonWidth, ButtonOK->sizeHint().width(), ButtonCancel->sizeHint().width()}),
                       std::max({ButtonHeight, ButtonOK->sizeHint().height(), ButtonCancel->sizeHint().height()}));
    const int pairWidth = 2 * button.width() + ButtonGap;
    const int designPairWidth = 2 * ButtonWidth + ButtonGap;
    const int okLeft = ButtonOKLeft + (clientWidth - 330) / 2 - (pairWidth - designPairWidth) / 2;
    ButtonOK->setGeometry(okLeft, ButtonTop, button.width(), button.height());
    ButtonCancel->setGeometry(okLeft + button.width() + ButtonGap, ButtonTop, button.width(), button.height());
    const int bottomHeight = std::max(PanelBottomHeight, ButtonTop + button.height() + 4);
    PanelBottom->setGeometry(0, panelTopHeight, clientWidth, bottomHeight);

    setFixedSize(clientWidth, panelTopHeight + bottomHeight);
    setSizeGripEnabled(false);
}

void TFormOptions::Load()
{
    const TGlobalVars& g = GlobalVars;
    CheckBoxMono->setChecked(g.Mono);
    CheckBoxCrc->setChecked(g.Crc);
    CheckBoxDelete->setChecked(g.DeleteSource);
    CheckBoxOriginal->setChecked(g.Mp3Flags & mfOriginal);
    CheckBoxCopy->setChecked(g.Mp3Flags & mfCopy);
    CheckBoxPrivate->setChecked(g.Mp3Flags & mfPrivate);
    CheckBoxCopyright->setChecked(g.Mp3Flags & mfCopyright);
    RxSliderBitrate->SetValue(8);
    RxSliderBitrate->SetValue(BitratePosition(g.Bitrate));
    RxSliderPriority->SetValue(3);
    RxSliderPriority->SetValue(PriorityPosition(g.Priority));
    // A stored path the editor cannot quote is shown as it is, so that it can be mended here.
    if (IsValidFileName(g.BladeEncPath))
        SetBladeEncPath(g.BladeEncPath);
    else
        EditBladeEnc->setText(g.BladeEncPath);
}

void TFormOptions::Store() const
{
    TGlobalVars& g = GlobalVars;
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
    g.Priority = static_cast<std::uint8_t>(RxSliderPriority->Value());
    g.BladeEncPath = BladeEncPath();
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
    const QString path = BladeEncPath();
    if (path != GlobalVars.BladeEncPath) {
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
    LabelBitrate->setText(ResStr::OptionsBitrateValue.arg(Bitrates.value(Sender->Value() - 1)));
    Sender->SetValueText(LabelBitrate->text());
}

void TFormOptions::RxSliderPriorityChange(TRxSlider* Sender)
{
    LabelPriority->setText(PriorityNames.value(Sender->Value()));
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
