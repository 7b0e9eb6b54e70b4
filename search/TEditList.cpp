#include "search/TEditList.h"

#include "platform/uUserMode.h"

namespace artikel {

bool TEditList::ReadAutoLearning() const
{
    // The default is written back, so the switch shows in the settings file from the first start.
    return ReadUserModeBool(SettingKey(), true, {}, true);
}

bool TEditList::WriteAutoLearning(bool on) const { return WriteUserModeBool(SettingKey(), on); }

} // namespace artikel
