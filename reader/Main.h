// The application frame of sondrel.
#pragma once

namespace reader {

// Runs the frame until the user exits; every other procedure thread has ended when it returns.
void Main();

// Menu items of the frame.
namespace item {
inline constexpr int PrintSetup = -2;
inline constexpr int Exit = -3;
inline constexpr int ReadPages = -10;
inline constexpr int BrowsePages = -11;
inline constexpr int DeletePages = -12;
inline constexpr int Contents = -30;
inline constexpr int About = -33;
}  // namespace item

}  // namespace reader
