#pragma once

#include "analysis/OutputChoices.h"
#include "document/SettingsRecords.h"

#include <QWidget>

#include <algorithm>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace korvanix::gui {

// The outputs of an analysis dialog: the names the circuit offers ("Доступные
// элементы") and the voltages and currents chosen from them, with the buttons that
// move names between them. At most five outputs in all, a name at most once per
// list, a voltage only from a name that offers one, a current likewise.
//
// Object names: "available", "voltages", "currents", "addVoltage", "addCurrent",
// "removeVoltage", "removeCurrent".
class OutputListsPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxOutputs = document::kMaxOutputs;

    explicit OutputListsPanel(std::vector<analysis::OfferedOutput> offered,
                              QWidget* parent = nullptr);

    // Shows the stored outputs that the circuit still offers; the others are
    // dropped, and so are repeats and whatever would exceed five outputs.
    void SetOutputs(const std::vector<std::string>& voltages,
                    const std::vector<std::string>& currents);
    std::vector<std::string> Voltages() const;
    std::vector<std::string> Currents() const;

    // The stored outputs of an analysis record (either kind).
    template <class Record> void ShowStored(const Record& record) {
        SetOutputs(StoredNames(record, record.voltageOutputCount, true),
                   StoredNames(record, record.currentOutputCount, false));
    }
    // Names and counts into the record. Slots past the counts keep their bytes.
    template <class Record> void Store(Record& record) const {
        const std::vector<std::string> voltages = Voltages();
        const std::vector<std::string> currents = Currents();
        for (std::size_t i = 0; i < voltages.size(); ++i)
            record.SetVoltageOutput(static_cast<int>(i), voltages[i]);
        for (std::size_t i = 0; i < currents.size(); ++i)
            record.SetCurrentOutput(static_cast<int>(i), currents[i]);
        record.voltageOutputCount = static_cast<int32_t>(voltages.size());
        record.currentOutputCount = static_cast<int32_t>(currents.size());
    }

    const std::vector<analysis::OfferedOutput>& Offered() const { return offered_; }
    // The flags of an offered name; 0 for a name not offered.
    int FlagsOf(const std::string& name) const;
    bool IsOffered(const std::string& name) const;

    QListWidget* Available() const { return available_; }
    QListWidget* VoltageList() const { return voltages_; }
    QListWidget* CurrentList() const { return currents_; }
    QPushButton* AddVoltageButton() const { return addVoltage_; }
    QPushButton* AddCurrentButton() const { return addCurrent_; }
    QPushButton* RemoveVoltageButton() const { return removeVoltage_; }
    QPushButton* RemoveCurrentButton() const { return removeCurrent_; }

private:
    template <class Record>
    static std::vector<std::string> StoredNames(const Record& record, int32_t count, bool voltage) {
        std::vector<std::string> names;
        const int n = std::clamp<int32_t>(count, 0, kMaxOutputs);
        for (int i = 0; i < n; ++i)
            names.push_back(voltage ? record.VoltageOutput(i) : record.CurrentOutput(i));
        return names;
    }

    void SelectionChanged(QListWidget* list);
    void Add(QListWidget* list);
    void Remove(QListWidget* list);
    void RefreshButtons();
    int OutputCount() const;

    std::vector<analysis::OfferedOutput> offered_;
    QListWidget* available_ = nullptr;
    QListWidget* voltages_ = nullptr;
    QListWidget* currents_ = nullptr;
    QPushButton* addVoltage_ = nullptr;
    QPushButton* addCurrent_ = nullptr;
    QPushButton* removeVoltage_ = nullptr;
    QPushButton* removeCurrent_ = nullptr;
    // Set while one list's selection clears the others'.
    bool clearing_ = false;
};

} // namespace korvanix::gui
