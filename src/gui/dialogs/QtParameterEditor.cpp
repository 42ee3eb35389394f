#include "gui/dialogs/QtParameterEditor.h"

#include "gui/dialogs/CPropSheet.h"
#include "gui/dialogs/CSourceValuePropPage.h"
#include "gui/dialogs/CTextDlg.h"
#include "gui/dialogs/CValuePropPage.h"

namespace korvanix::gui {
namespace {
QString PageCaption() {
    return QString::fromUtf8("Параметры");
}
} // namespace

bool QtParameterEditor::EditValues(const std::string& kindName, const std::string& identifier,
                                   std::vector<model::ParamRow>& rows) {
    CPropSheet sheet(QString::fromStdString(kindName), parent_);
    auto* page = new CValuePropPage(QString::fromStdString(identifier), rows);
    sheet.AddPage(page, PageCaption());
    if (sheet.exec() != QDialog::Accepted)
        return false;
    rows = page->Rows();
    return true;
}

bool QtParameterEditor::EditSource(const std::string& kindName, const std::string& identifier,
                                   model::SourcePageData& data) {
    CPropSheet sheet(QString::fromStdString(kindName), parent_);
    auto* page = new CSourceValuePropPage(QString::fromStdString(identifier), data);
    sheet.AddPage(page, PageCaption());
    if (sheet.exec() != QDialog::Accepted)
        return false;
    data = page->Data();
    return true;
}

bool QtParameterEditor::EditText(std::string& text, model::LogFont& font, uint32_t& colour) {
    CTextDlg dialog(QString::fromStdString(text), font, colour, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = dialog.Text().toStdString();
    font = dialog.Font();
    colour = dialog.Colour();
    return true;
}

} // namespace korvanix::gui
