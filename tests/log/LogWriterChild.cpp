// Writes numbered records through one CLogFile, for the cross-process test of the log writer.
// Usage: log_writer_child <log name> <writer id> <record count>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "log/LogFile.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: log_writer_child <name> <id> <count>\n");
        return 2;
    }
    CLogFile log(1);
    log.SetFileName(argv[1]);
    const int nCount = std::atoi(argv[3]);
    // Long enough that a torn write would show inside a line.
    const std::string strPadding(60, 'x');
    for (int n = 0; n < nCount; ++n) {
        log.Write(
            "child " + std::string(argv[2]) + " record " + std::to_string(n) + " " + strPadding, 1);
    }
    return 0;
}
