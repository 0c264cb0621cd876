// Giving the processor away for a moment, for the wait loops of the search threads.
#pragma once

namespace velt {

// Sleeps for a short while (about 50 microseconds on Linux). Windows sleeps whole
// milliseconds: a shorter request there only yields, which lets waiting threads that
// outnumber the cores keep them all busy and starve the thread that holds the work.
// In the browser it waits a tenth of a millisecond, for the same reason.
void sleepBriefly();

}  // namespace velt
