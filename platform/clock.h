#pragma once
// Every duration of the link (reply timer, resend pause, ticks, post-waits, sleeps) and of the
// simulated units passes through this one clock. Its scale is 1.0 in the program; tests set it
// small so that nothing waits real seconds.

namespace kalvora::clock {

void setScale(double scale);
double scale();
// The real number of milliseconds to wait for a nominal duration.
int scaled(int nominalMs);

}  // namespace kalvora::clock
