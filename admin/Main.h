// The application frame of tarnwick and its windowless routines.
#pragma once

// Runs the frame until the user exits; every other procedure thread has ended when it returns.
void Main();

void RebuildDomainsKeys();
void RebuildHostsKeys();
void RebuildRegistrarsKeys();
// Starts the page reader as a program of its own; the thread ends at once.
void RunPageReader();

// Closes the windows of every procedure thread but the caller's and waits until those
// threads have ended.

// Menu items and toolbar buttons of the frame.
namespace frameitem {
inline constexpr int Launcher = -2;
inline constexpr int Exit = -4;
inline constexpr int BrowseDomains = -10;
inline constexpr int RebuildDomains = -35;
inline constexpr int FileFixer = -40;
inline constexpr int PageReader = -41;
inline constexpr int About = -55;
inline constexpr int FirstRecordButton = 2000;
inline constexpr int LastRecordButton = 2012;
}  // namespace frameitem
