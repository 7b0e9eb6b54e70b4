#pragma once

// The edit-list object of a suggestion list: which list it is and under which settings key its
// auto-learning switch is kept.

#include <string>

namespace artikel {

class TAbstractEditList {
public:
    virtual ~TAbstractEditList() = default;
    // Number of the suggestion list; -1 = none (nothing is stored).
    virtual int ListId() const = 0;
    // Settings key of the auto-learning switch; "" = not stored.
    virtual std::string SettingKey() const = 0;
    virtual bool ReadAutoLearning() const = 0;
    virtual bool WriteAutoLearning(bool on) const = 0;
};

// Keeps the switch in the settings file (default: on).
class TEditList : public TAbstractEditList {
public:
    bool ReadAutoLearning() const override;
    bool WriteAutoLearning(bool on) const override;
};

// The find box's list.
class THereEditList : public TEditList {
public:
    int ListId() const override { return 1; }
    std::string SettingKey() const override { return "AutoCompleteFindSuggest.AutoLearning"; }
};

} // namespace artikel
