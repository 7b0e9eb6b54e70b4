#pragma once

// The application-wide busy cursor around long operations on the interface thread.

namespace artikel {

// Calls nest: the busy cursor stays until the last EndBusyCursor. An EndBusyCursor without a
// matching BeginBusyCursor does nothing, so it can never remove someone else's override cursor.
void BeginBusyCursor();
void EndBusyCursor();
// Number of BeginBusyCursor calls not yet ended.
int BusyCursorDepth();

// Shows the busy cursor for its lifetime, also when the operation throws.
class TBusyCursorGuard {
public:
    TBusyCursorGuard() { BeginBusyCursor(); }
    ~TBusyCursorGuard() { EndBusyCursor(); }
    TBusyCursorGuard(const TBusyCursorGuard&) = delete;
    TBusyCursorGuard& operator=(const TBusyCursorGuard&) = delete;
};

} // namespace artikel
