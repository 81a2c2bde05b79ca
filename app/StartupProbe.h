// Start-up measurement: with TAVREK_STARTUP_PROBE=1 in the environment, the program prints the
// wall-clock time of the main window's first paint ("first-paint <nanoseconds since the epoch>")
// on standard output and ends. bench/startup.sh reads it. Without the variable nothing happens.
#pragma once

namespace forms {
class Form;
}

void InstallStartupProbe(forms::Form& window);
