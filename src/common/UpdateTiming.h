#pragma once

#include <chrono>

// Every pause and time limit of an update. The defaults are the product's
// values; only tests shorten them.
struct UpdateTiming
{
    using ms = std::chrono::milliseconds;

    // Update thread and transfers
    ms burstGap{1000};
    ms openRetryPause{2000};
    ms restartWaitStep{1000};
    int restartWaitSteps = 60;
    // Ports that never go away during a restart: the version that stayed
    // known this long into the wait is taken as the restarted instrument's.
    ms restartStillKnownGrace{3000};
    ms beforeUpload{10000};
    ms destructorWait{20000};

    // Back-up
    ms backUpLimit{60000};

    // Preset download and upload
    // The sound-engine proxy's wait for the message thread's port listing.
    ms deviceListingWait{1000};
    ms groupSelectPause{1000};
    ms beforePresetRequest{500};
    ms afterPreset{200};
    ms presetAnswerLimit{60000};
    ms messageWait{100};
    ms uploadPause{200};
    ms afterUploadEvent{1};
    ms readyLimit{10000};
};
