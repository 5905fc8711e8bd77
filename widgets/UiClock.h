// The clock behind the user interface's fixed waits (the splash's 1.5 s, the 210 ms
// parameter-access chord). Tests set the scale to 0 so the waits pass at once.
#pragma once

class UiClock {
  public:
    // Blocks the calling thread for `ms` milliseconds times the scale.
    static void Wait(int ms);
    // Scales every later wait; 1 by default, 0 skips the waits.
    static void SetScale(double scale);
    static double Scale();
};
