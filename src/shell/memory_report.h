// The memory report printed after the protocol command.
#pragma once

void printMemoryUsage();
