#pragma once

#include <functional>
#include <memory>

class Core;

// A quit during a transfer can leave the instrument without firmware: a
// quit the user asks for is confirmed first while the update thread runs;
// a quit the system imposes (logout, shutdown) cannot be answered and is not
// asked. Either way the update thread is stopped and gone before the quit.
class UpdateQuitGuard
{
public:
    static constexpr const char* question =
        "An update is running. Quitting now can leave the Tavelo unusable. Quit anyway?";

    UpdateQuitGuard(Core& core, std::function<void()> quit);
    ~UpdateQuitGuard();

    UpdateQuitGuard(const UpdateQuitGuard&) = delete;
    UpdateQuitGuard& operator=(const UpdateQuitGuard&) = delete;

    // From the window (close button, Ctrl-Q): asks while an update runs.
    void requestQuit();
    // From the system: stops any update and quits at once.
    void quitWithoutAsking();

private:
    bool isUpdateRunning() const;
    void stopUpdateAndQuit();

    Core& core;
    const std::function<void()> quit;
    bool asking = false;
    // Lets an answer that comes after this guard is gone do nothing.
    std::shared_ptr<UpdateQuitGuard*> alive;
};
