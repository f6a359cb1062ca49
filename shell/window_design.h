#pragma once

namespace velmora::design {

/// Where a control sits, in twips: inside a frame relative to the frame's top-left corner,
/// otherwise relative to the window's client area. Tab stops are visited in tabIndex order.
struct Placement
{
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
};

inline constexpr int clientWidth = 6600;
inline constexpr int clientHeight = 10140;

inline constexpr Placement ListView1 { 120, 120, 6360, 1815, 0 };
inline constexpr Placement PushButton1 { 120, 2025, 3135, 405, 1 };
inline constexpr Placement PushButton3 { 3360, 2025, 3120, 405, 2 };
inline constexpr Placement PushButton8 { 120, 2520, 3135, 405, 17 };
inline constexpr Placement PushButton9 { 3360, 2520, 3120, 405, 18 };
inline constexpr Placement Frame1 { 120, 2970, 6360, 2295, 4 };
inline constexpr Placement Option3 { 240, 300, 5535, 255, 16 };
inline constexpr Placement Option1 { 240, 650, 5535, 255, 5 };
inline constexpr Placement Text1 { 480, 950, 5370, 375, 6 };
inline constexpr Placement Option2 { 240, 1440, 6030, 255, 7 };
inline constexpr Placement Text2 { 480, 1740, 5370, 375, 8 };
inline constexpr Placement Frame2 { 120, 5355, 6360, 700, 14 };
inline constexpr Placement Check6 { 240, 300, 1455, 255, 15 };
inline constexpr Placement PushButton2 { 120, 6190, 6360, 405, 3 };
inline constexpr Placement ListView2 { 120, 6700, 6360, 1815, 9 };
inline constexpr Placement PushButton6 { 120, 8610, 6360, 405, 12 };
inline constexpr Placement PushButton7 { 120, 9120, 6360, 405, 13 };
inline constexpr Placement PushButton4 { 120, 9630, 4560, 405, 10 };
inline constexpr Placement PushButton5 { 4800, 9630, 1680, 405, 11 };

/// Where the frames draw their line and caption, in every look: the caption sits on the top
/// line, near its left end. A theme may recolour the frames but keeps this.
inline constexpr char frameStyleSheet[]
    = "QGroupBox { border: 1px solid palette(mid); margin-top: 7px; }\n"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; "
      "padding: 0px 3px; }\n";

inline constexpr double buttonFontPoints = 11.25;
inline constexpr double controlFontPoints = 9.0;

inline constexpr int fileListColumnWidth = 6000;
inline constexpr int countColumnWidth = 500;
inline constexpr int sortKeyColumnWidth = 1;
inline constexpr int lineColumnWidth = 5500;

} // namespace velmora::design
