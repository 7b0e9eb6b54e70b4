#pragma once

// Jobs of the worker thread pool: Execute runs on a worker thread, Completed afterwards on the
// pool owner's thread, and the job is freed once Completed has returned.

#include <exception>
#include <string>

namespace artikel {

class TWorkerThreadJob {
public:
    virtual ~TWorkerThreadJob() = default;
    // Worker thread.
    virtual void Execute() = 0;
    // Pool owner's thread, after Execute; runs also when Execute failed.
    virtual void Completed() = 0;
    // Worker thread: the error that escaped Execute, just before Completed is delivered.
    virtual void ExecuteFailed(std::exception_ptr error) noexcept { (void)error; }
};

// A job that keeps the message of the error Execute raised.
class TWorkerThreadBaseJob : public TWorkerThreadJob {
public:
    const std::string& ErrorText() const { return errorText_; }
    void ExecuteFailed(std::exception_ptr error) noexcept override;

    // The user-visible message of an error of any type (never empty).
    static std::string ErrorMessage(std::exception_ptr error);

protected:
    std::string errorText_;
};

} // namespace artikel
