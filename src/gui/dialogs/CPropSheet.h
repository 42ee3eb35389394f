#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>

class QTabWidget;

namespace korvanix::gui {

// A page of a property sheet: checks its fields when the sheet is confirmed and
// then hands its values back.
class CPropertyPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // False keeps the sheet open; the page has then reported the bad field.
    virtual bool Validate() { return true; }
    // Called after every page validated, before the sheet closes with OK.
    virtual void Apply() {}
};

// A tabbed dialog with OK and "Отмена" and no Apply. It opens on the page that
// was active when a sheet of its sort last closed: `rememberedPage` is that
// sort's index and lives as long as the program runs.
class CPropertySheet : public QDialog {
    Q_OBJECT
public:
    // The sheet takes the page; `caption` is its tab text.
    void AddPage(CPropertyPage* page, const QString& caption);
    void done(int result) override;
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

public:
    QTabWidget* Tabs() const { return tabs_; }

protected:
    CPropertySheet(const QString& title, int* rememberedPage, QWidget* parent);

private:
    QTabWidget* tabs_;
    int* rememberedPage_;
};

// The parameter sheet of an element, titled "Параметры: " + the kind's display name.
class CPropSheet : public CPropertySheet {
    Q_OBJECT
public:
    explicit CPropSheet(const QString& kindName, QWidget* parent = nullptr);
    // The page index a new parameter sheet opens on.
    static int LastActivePage();
};

} // namespace korvanix::gui
