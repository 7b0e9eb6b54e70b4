#include "officelink/TExchangeOfficeLink.h"

#include "officelink/TPutLXParser.h"

namespace artikel {

template <typename F>
auto TExchangeOfficeLink::Waiting(F&& call)
{
    struct Bracket {
        TExchangeOfficeLink& self;
        explicit Bracket(TExchangeOfficeLink& s)
            : self(s)
        {
            if (self.beginWait_)
                self.beginWait_();
        }
        ~Bracket()
        {
            if (self.endWait_)
                self.endWait_();
        }
    } bracket(*this);
    return call();
}

bool TExchangeOfficeLink::CanPost()
{
    return Waiting([&] { return ReadIPCValueSync("CANPOSTJSON", false, {}, options_, &lastResult_) == "1"; });
}

TCurrentOrder TExchangeOfficeLink::GetCurrentOrder()
{
    const std::string answer =
        Waiting([&] { return ReadIPCValueSync("SIMPLEGETJSON", false, {}, options_, &lastResult_); });
    return ParseCurrentOrder(answer);
}

bool TExchangeOfficeLink::SendPositions(const TListDataSet& positions)
{
    const std::string document = TPutLXParser::BuildText(positions);
    return Waiting(
        [&] { return WriteIPCValueASync(document, kOutDataIndex, false, "OUTDATA", options_, &lastResult_); });
}

} // namespace artikel
