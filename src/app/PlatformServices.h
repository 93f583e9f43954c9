#pragma once

// What the Core needs of the platform, handed to it at construction so that
// tests and the simulated instrument can stand in for the real devices.
struct PlatformServices
{
};
