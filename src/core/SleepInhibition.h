#pragma once

#include <sys/types.h>

// Keeps the machine from sleeping or going idle while it lives.
class SleepInhibition
{
public:
    virtual ~SleepInhibition() = default;
};

// Holds logind's "sleep:idle" inhibitor through systemd-inhibit, whose child
// ends when our end of its input closes, also when this process dies. No
// systemd-inhibit or no logind only logs a warning.
class LogindSleepInhibition final : public SleepInhibition
{
public:
    LogindSleepInhibition();
    ~LogindSleepInhibition() override;

    LogindSleepInhibition(const LogindSleepInhibition&) = delete;
    LogindSleepInhibition& operator=(const LogindSleepInhibition&) = delete;

private:
    pid_t child = -1;
    int holdOpen = -1;
};
