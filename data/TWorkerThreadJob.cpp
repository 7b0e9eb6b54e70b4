#include "data/TWorkerThreadJob.h"

#include <new>
#include <stdexcept>

namespace artikel {

void TWorkerThreadBaseJob::ExecuteFailed(std::exception_ptr error) noexcept
{
    try {
        errorText_ = ErrorMessage(error);
    } catch (...) {
        // Not even the message could be stored (out of memory): the job still gets delivered.
    }
}

std::string TWorkerThreadBaseJob::ErrorMessage(std::exception_ptr error)
{
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        // Windows-1252: "Nicht genügend Arbeitsspeicher"
        return "Nicht gen\xFCgend Arbeitsspeicher";
    } catch (const std::exception& e) {
        std::string text = e.what();
        return text.empty() ? std::string("Unbekannter Fehler") : text;
    } catch (...) {
        return "Unbekannter Fehler";
    }
}

} // namespace artikel
