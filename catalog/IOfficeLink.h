#pragma once

// What the catalog needs from the office application Ledgix: the three questions and the send
// that go over its exchange server. The catalog only holds this interface; the office link
// (officelink/TExchangeOfficeLink.h) implements it over the exchange-server pipe, tests give fakes.
// Every call blocks the calling thread until Ledgix answered or gave up.

#include <string>

namespace artikel {

class TListDataSet;

// Shown when the office application cannot take positions (no order open, no answer).
inline constexpr const char* kCannotPostMessage =
    "Sie m\xFCssen f\xFCr diese Funktion in <b>Ledgix einen Auftrag bearbeiten</b>.";
// Shown when a send brought no complete reply: the positions did not arrive.
inline constexpr const char* kNoReplyMessage = "<b>Ledgix antwortet nicht.</b>\r\nEs wurde nichts \xFC"
                                               "bertragen.";

// The order being edited in Ledgix.
struct TCurrentOrder {
    // Short address of the order, at most 50 characters (Windows-1252); empty when none.
    std::string AddressText;
    // The order's "InternalType" is 3: prices are sent as they stand, without the price factor.
    bool PurchaseType = false;
};

class IOfficeLink {
public:
    virtual ~IOfficeLink() = default;
    // True only when Ledgix answers that it can take positions now.
    virtual bool CanPost() = 0;
    // The current order; the defaults when Ledgix gives none or cannot be asked.
    virtual TCurrentOrder GetCurrentOrder() = 0;
    // Sends every row of the positions' view (fields in the order of kPositionFieldNames) as one
    // positions document. True only when Ledgix's complete reply arrived.
    virtual bool SendPositions(const TListDataSet& positions) = 0;
};

} // namespace artikel
