#pragma once
// Waiting, in the thread that serves from a command line, for the user to
// stop the program: SIGINT or SIGTERM on POSIX systems; Ctrl+C, Ctrl+Break or
// the console closing on Windows.
namespace quillet::sandbox {

class StopWait {
  public:
    // Made before any thread starts, so no other thread takes the request.
    StopWait();
    StopWait(const StopWait&) = delete;
    StopWait& operator=(const StopWait&) = delete;
    // Returns once a stop request came.
    void wait();
};

}  // namespace quillet::sandbox
