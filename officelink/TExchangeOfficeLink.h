#pragma once

// The office application link of the catalog over the exchange-server pipe:
//   CanPost          "CANPOSTJSON" (ReadIPCValueSync), true only for the answer "1"
//   GetCurrentOrder  "SIMPLEGETJSON" (ReadIPCValueSync), parsed by ParseCurrentOrder
//   SendPositions    "OUTDATA" with index 11 (WriteIPCValueASync), the TPutLXParser document
// Each call blocks until the server answered, gave up or the reply time-out passed; the wait
// hooks bracket every call (the program shows its busy cursor there).

#include "catalog/IOfficeLink.h"
#include "officelink/TIPCClient.h"

#include <functional>

namespace artikel {

inline constexpr int32_t kOutDataIndex = 11;

class TExchangeOfficeLink : public IOfficeLink {
public:
    explicit TExchangeOfficeLink(TIPCOptions options = {})
        : options_(std::move(options))
    {}

    bool CanPost() override;
    TCurrentOrder GetCurrentOrder() override;
    bool SendPositions(const TListDataSet& positions) override;

    // Called before and after every exchange-server call.
    void SetWaitHooks(std::function<void()> begin, std::function<void()> end)
    {
        beginWait_ = std::move(begin);
        endWait_ = std::move(end);
    }
    // The outcome of the last call.
    const TIPCResult& LastResult() const { return lastResult_; }
    TIPCOptions& Options() { return options_; }

private:
    template <typename F>
    auto Waiting(F&& call);

    TIPCOptions options_;
    TIPCResult lastResult_;
    std::function<void()> beginWait_;
    std::function<void()> endWait_;
};

} // namespace artikel
