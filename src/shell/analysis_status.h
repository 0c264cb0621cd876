// The status line of xboard analysis (the "." command).
#pragma once

void printSearchStatus();
