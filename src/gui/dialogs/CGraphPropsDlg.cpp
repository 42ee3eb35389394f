#include "gui/dialogs/CGraphPropsDlg.h"

#include "gui/dialogs/DialogButtons.h"
#include "gui/dialogs/FontChooser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
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

model::LogFont GraphFont(int32_t tenths) {
    model::LogFont font;
    font.height = tenths;
    font.weight = 400;
    font.charSet = model::kRussianCharset;
    font.SetFace("Arial");
    return font;
}

// The scales an axis offers, in their fixed order. A mask that allows none (a
// caller's mistake) still offers the linear scale, so that OK always has a
// scale to store.
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
    return QStringLiteral("%1, %2").arg(QString::fromStdString(font.Face())).arg(font.height / 10);
}

} // namespace

GraphProps DefaultGraphProps() {
    GraphProps props;
    props.titleFont = GraphFont(120);
    props.titleColour = 0x00800000; // RGB 0,0,128
    props.numberFont = GraphFont(100);
    props.numberColour = 0;
    return props;
}

CGraphPropsDlg::CGraphPropsDlg(const GraphProps& props, QWidget* parent)
    : QDialog(parent), props_(props) {
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
    model::LogFont font = title ? props_.titleFont : props_.numberFont;
    uint32_t colour = title ? props_.titleColour : props_.numberColour;
    if (!Fonts().Choose(font, colour, this))
        return;
    (title ? props_.titleFont : props_.numberFont) = font;
    (title ? props_.titleColour : props_.numberColour) = colour;
    RefreshFonts();
}

void CGraphPropsDlg::RefreshFonts() {
    titleFont_->setText(FontText(props_.titleFont));
    numberFont_->setText(FontText(props_.numberFont));
}

void CGraphPropsDlg::accept() {
    props_.title = title_->text().toStdString();
    props_.interpolate = interpolate_->isChecked();
    props_.xScale = ChosenScale(xScale_);
    props_.yScale = ChosenScale(yScale_);
    QDialog::accept();
}

} // namespace korvanix::gui
