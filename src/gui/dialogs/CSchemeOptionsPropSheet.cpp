#include "gui/dialogs/CSchemeOptionsPropSheet.h"

#include "gui/dialogs/FontChooser.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvanix::gui {
namespace {

int lastSchemeOptionsPage = 0;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QCheckBox* FlagBox(const char* caption, int32_t* flag, QWidget* parent) {
    auto* box = new QCheckBox(U(caption), parent);
    box->setChecked(*flag != 0);
    QObject::connect(box, &QCheckBox::toggled, parent, [flag](bool on) { *flag = on ? 1 : 0; });
    return box;
}

} // namespace

CShowHidePropPage::CShowHidePropPage(document::SchemeOptions* options, QWidget* parent)
    : CPropertyPage(parent), names_(FlagBox("&Идентификаторы", &options->showNames, this)),
      values_(FlagBox("&Параметры", &options->showValues, this)),
      nodes_(FlagBox("&Номера узлов", &options->showNodes, this)) {
    names_->setObjectName(QStringLiteral("showNames"));
    values_->setObjectName(QStringLiteral("showValues"));
    nodes_->setObjectName(QStringLiteral("showNodes"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(names_);
    layout->addWidget(values_);
    layout->addWidget(nodes_);
    layout->addStretch();
}

CFontPropPage::CFontPropPage(document::SchemeOptions* options, QWidget* parent)
    : CPropertyPage(parent), options_(options) {
    const char* const titles[3] = {"Идентификаторы", "Параметры", "Номера узлов"};
    auto* layout = new QVBoxLayout(this);
    for (int which = 0; which < 3; ++which) {
        auto* group = new QGroupBox(U(titles[which]), this);
        labels_[which] = new QLabel(group);
        labels_[which]->setObjectName(QStringLiteral("font%1").arg(which));
        changes_[which] = new QPushButton(U("Изменить"), group);
        changes_[which]->setObjectName(QStringLiteral("change%1").arg(which));
        connect(changes_[which], &QPushButton::clicked, this, [this, which] { Change(which); });
        auto* row = new QHBoxLayout(group);
        row->addWidget(labels_[which], 1);
        row->addWidget(changes_[which]);
        layout->addWidget(group);
    }
    reset_ = new QPushButton(U("&Сброс"), this);
    reset_->setObjectName(QStringLiteral("reset"));
    connect(reset_, &QPushButton::clicked, this, [this] {
        options_->ResetFontsAndColors();
        Refresh();
    });
    layout->addWidget(reset_, 0, Qt::AlignLeft);
    layout->addStretch();
    Refresh();
}

model::LogFont& CFontPropPage::FontOf(int which) {
    switch (which) {
    case 0:
        return options_->nameFont;
    case 1:
        return options_->valueFont;
    default:
        return options_->nodeFont;
    }
}

uint32_t& CFontPropPage::ColourOf(int which) {
    switch (which) {
    case 0:
        return options_->nameColor;
    case 1:
        return options_->valueColor;
    default:
        return options_->nodeColor;
    }
}

void CFontPropPage::Change(int which) {
    model::LogFont font = FontOf(which);
    uint32_t colour = ColourOf(which);
    if (!Fonts().Choose(font, colour, this))
        return;
    FontOf(which) = font;
    ColourOf(which) = colour;
    Refresh();
}

void CFontPropPage::Refresh() {
    for (int which = 0; which < 3; ++which) {
        const model::LogFont& font = FontOf(which);
        labels_[which]->setText(QStringLiteral("%1, %2")
                                    .arg(QString::fromStdString(font.Face()))
                                    .arg(font.height / 10));
    }
}

CSchemeOptionsPropSheet::CSchemeOptionsPropSheet(const document::SchemeOptions& options,
                                                 QWidget* parent)
    : CPropertySheet(U("Установки схемы"), &lastSchemeOptionsPage, parent), options_(options),
      showPage_(new CShowHidePropPage(&options_)), fontPage_(new CFontPropPage(&options_)) {
    AddPage(showPage_, U("Показать"));
    AddPage(fontPage_, U("Шрифты"));
}

} // namespace korvanix::gui
