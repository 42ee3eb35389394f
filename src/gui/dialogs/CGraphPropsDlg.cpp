#include "gui/dialogs/CGraphPropsDlg.h"

#include "gui/dialogs/DialogButtons.h"
#include "gui/dialogs/FontChooser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvanix::gui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

struct ScaleName {
    int32_t kind;
    const char* text;
};
const ScaleName kScales[] = {{1, "Линейный"}, {2, "Логарифмич."}, {4, "Децибелы"}};

// The face the scheme's fonts are named with when this machine has it, else the
// sans face our set-up installs, else the system's own sans face: the dialog then
// names the face the pane is really drawn in, not one the font matcher replaces.
std::string DefaultFace() {
    for (const char* face : {"Arial", "DejaVu Sans"})
        if (QFontDatabase::hasFamily(QString::fromLatin1(face)))
            return face;
    QFont sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    sans.setStyleHint(QFont::SansSerif);
    return QFontInfo(sans).family().toStdString();
}

model::LogFont GraphFont(int32_t tenths, const std::string& face) {
    model::LogFont font;
    font.height = tenths;
    font.weight = 400;
    font.charSet = model::kRussianCharset;
    font.SetFace(face);
    return font;
}

// The scales an axis offers, in their fixed order. A mask that allows none (a
// caller's mistake) still offers the linear scale: an empty list would leave OK
// nothing sensible to store.
void FillScales(QComboBox* box, int32_t mask, int32_t current) {
    for (const ScaleName& s : kScales)
        if ((mask & s.kind) != 0 || (s.kind == 1 && (mask & 7) == 0))
            box->addItem(U(s.text), s.kind);
    const int at = box->findData(current);
    box->setCurrentIndex(at >= 0 ? at : 0);
}

int32_t ChosenScale(const QComboBox* box) {
    const QString text = box->currentText();
    for (const ScaleName& s : kScales)
        if (text == U(s.text))
            return s.kind;
    return 1;
}

QString FontText(const model::LogFont& font) {
    // One arg() call: a face name holding "%2" must not take the size's place.
    return QStringLiteral("%1, %2").arg(QString::fromStdString(font.Face()),
                                        QString::number(font.height / 10));
}

} // namespace

GraphProps DefaultGraphProps() {
    const std::string face = DefaultFace();
    GraphProps props;
    props.titleFont = GraphFont(120, face);
    props.titleColour = 0x00800000; // RGB 0,0,128
    props.numberFont = GraphFont(100, face);
    props.numberColour = 0;
    return props;
}

CGraphPropsDlg::CGraphPropsDlg(const GraphProps& props, QWidget* parent)
    : QDialog(parent), props_(props), shown_(props) {
    setObjectName(QStringLiteral("GRAPHPROPSDLG"));
    setWindowTitle(U("Установки графика"));

    title_ = new QLineEdit(QString::fromStdString(props_.title), this);
    title_->setObjectName(QStringLiteral("title"));

    auto fontRow = [this](const char* caption, QLabel*& label, const char* labelName,
                          const char* buttonName, bool title) {
        auto* group = new QGroupBox(U(caption), this);
        label = new QLabel(group);
        label->setObjectName(QString::fromLatin1(labelName));
        auto* change = new QPushButton(U("Изменить"), group);
        change->setObjectName(QString::fromLatin1(buttonName));
        connect(change, &QPushButton::clicked, this, [this, title] { ChangeFont(title); });
        auto* row = new QHBoxLayout(group);
        row->addWidget(label, 1);
        row->addWidget(change);
        return group;
    };
    QGroupBox* titleGroup =
        fontRow("Шрифт заголовка", titleFont_, "titleFont", "changeTitleFont", true);
    QGroupBox* numberGroup =
        fontRow("Шрифт чисел", numberFont_, "numberFont", "changeNumberFont", false);

    xScale_ = new QComboBox(this);
    xScale_->setObjectName(QStringLiteral("xScale"));
    FillScales(xScale_, props_.xMask, props_.xScale);
    yScale_ = new QComboBox(this);
    yScale_->setObjectName(QStringLiteral("yScale"));
    FillScales(yScale_, props_.yMask, props_.yScale);
    auto* scales = new QGroupBox(U("Масштаб"), this);
    auto* scaleForm = new QFormLayout(scales);
    scaleForm->addRow(U("По оси OX :"), xScale_);
    scaleForm->addRow(U("По оси OY :"), yScale_);

    interpolate_ = new QCheckBox(U("Линейная интерполяция между точками"), this);
    interpolate_->setObjectName(QStringLiteral("interpolate"));
    interpolate_->setChecked(props_.interpolate);

    auto* titleForm = new QFormLayout;
    titleForm->addRow(U("Заголовок :"), title_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(titleForm);
    layout->addWidget(titleGroup);
    layout->addWidget(numberGroup);
    layout->addWidget(scales);
    layout->addWidget(interpolate_);
    layout->addWidget(OkCancelButtons(this));
    RefreshFonts();
    title_->setFocus();
}

void CGraphPropsDlg::ChangeFont(bool title) {
    // Copies: whatever a cancelled chooser leaves in them is not kept.
    model::LogFont font = title ? shown_.titleFont : shown_.numberFont;
    uint32_t colour = title ? shown_.titleColour : shown_.numberColour;
    if (!Fonts().Choose(font, colour, this))
        return;
    (title ? shown_.titleFont : shown_.numberFont) = font;
    (title ? shown_.titleColour : shown_.numberColour) = colour;
    RefreshFonts();
}

void CGraphPropsDlg::RefreshFonts() {
    titleFont_->setText(FontText(shown_.titleFont));
    numberFont_->setText(FontText(shown_.numberFont));
}

void CGraphPropsDlg::accept() {
    props_.titleFont = shown_.titleFont;
    props_.titleColour = shown_.titleColour;
    props_.numberFont = shown_.numberFont;
    props_.numberColour = shown_.numberColour;
    props_.title = title_->text().toStdString();
    props_.interpolate = interpolate_->isChecked();
    props_.xScale = ChosenScale(xScale_);
    props_.yScale = ChosenScale(yScale_);
    QDialog::accept();
}

} // namespace korvanix::gui
