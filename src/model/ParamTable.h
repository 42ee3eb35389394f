#pragma once

#include "model/Errors.h"
#include "model/Value.h"

#include <cstddef>
#include <string>
#include <vector>

namespace korvanix::model {

// Check codes of a parameter, the same the parameter dialog applies.
enum ParamCheck : int {
    kNoCheck = 0,
    kGreaterThanZero = 1,
    kNotZero = 2,
};

struct ParamDef {
    const char* caption;
    const char* unit;
    double defaultValue;
    ParamCheck check;
};

// The parameters of an element kind with a fixed list: values by 0-based index,
// defaults and checks from the kind's table. Out-of-range indices read as 0 and
// are ignored on writing.
class ParamTable {
public:
    ParamTable(const ParamDef* defs, std::size_t count) : defs_(defs), values_(count) {
        for (std::size_t i = 0; i < count; ++i)
            values_[i] = defs[i].defaultValue;
    }

    int Count() const { return static_cast<int>(values_.size()); }
    bool Valid(int i) const { return i >= 0 && i < Count(); }
    std::string Caption(int i) const { return Valid(i) ? defs_[i].caption : std::string(); }
    std::string Unit(int i) const { return Valid(i) ? defs_[i].unit : std::string(); }
    int Check(int i) const { return Valid(i) ? defs_[i].check : kNoCheck; }
    double Get(int i) const { return Valid(i) ? values_[static_cast<std::size_t>(i)] : 0.0; }

    static bool Accepts(int check, double value) {
        switch (check) {
        case kGreaterThanZero:
            return value > 0;
        case kNotZero:
            return value != 0;
        default:
            return true;
        }
    }

    // Throws SchemeError 3200 and keeps the old value when the check refuses.
    void Set(int i, double value) {
        if (!Valid(i))
            return;
        if (!Accepts(defs_[i].check, value))
            throw SchemeError(scheme_error::BadParameter);
        values_[static_cast<std::size_t>(i)] = value;
    }
    // Stores without a check: records and description lines carry what they carry.
    void Store(int i, double value) {
        if (Valid(i))
            values_[static_cast<std::size_t>(i)] = value;
    }

    // Element-list text of every value in order, each after one blank: 12 digits,
    // Latin letters, not spaced, so that the line reads back to the same numbers.
    std::string LineFields() const {
        std::string out;
        for (double v : values_)
            out += " " + FormatValue(v, 12, kLatin, false);
        return out;
    }
    // Reads every value from fields first, first+1, ... of a description line into
    // `out`; false on a missing or unreadable field. No range check.
    bool ReadFields(const std::string& text, int first, std::vector<double>& out) const {
        out.assign(values_.size(), 0.0);
        for (std::size_t i = 0; i < out.size(); ++i)
            if (!ParseValueField(text, first + static_cast<int>(i), out[i]))
                return false;
        return true;
    }
    void StoreAll(const std::vector<double>& values) {
        for (std::size_t i = 0; i < values.size() && i < values_.size(); ++i)
            values_[i] = values[i];
    }

private:
    const ParamDef* defs_;
    std::vector<double> values_;
};

} // namespace korvanix::model
