#include "search/TEditList.h"

#include "platform/uUserMode.h"

namespace artikel {

bool TEditList::ReadAutoLearning() const
{
    return ReadUserModeBool(SettingKey(), true);
}

bool TEditList::WriteAutoLearning(bool on) const
{
    return WriteUserModeBool(SettingKey(), on);
}

} // namespace artikel
