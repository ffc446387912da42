#pragma once

#include <functional>

namespace engine {

/// What a long job (a cut, re-encoded or copied) lets its caller see of it.
struct JobCallbacks
{
    /// Progress in percent, 0..100, never falling within one job.
    std::function<void(float percent)> progress;
    /// Called after every step: the window processes its pending events here.
    std::function<void()> breathe;
    /// Read after every breath; false ends the job normally, with a finished file of what
    /// was done so far.
    std::function<bool()> goOn;
};

} // namespace engine
