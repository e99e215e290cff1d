#pragma once

// A wake-up signal that a thread can poll together with other descriptors:
// signalling makes the descriptor readable until it is drained. Signals
// coalesce; any number of them before a drain wake the poller once.
int wakeupCreate();  // -1 when none can be had
void wakeupSignal(int fd);
void wakeupDrain(int fd);
void wakeupClose(int fd);
