#pragma once

namespace engine {

/// How much of the libraries' own chatter reaches standard error.
enum class LibraryLog
{
    /// Nothing: the window and the tests get every failure as a description.
    Quiet,
    /// Errors only, for the developer tool.
    Errors
};

/// The process-wide settings of the libraries under the engine. Every program calls it once,
/// before the first engine object is made.
void initialise(LibraryLog log = LibraryLog::Quiet);

} // namespace engine
