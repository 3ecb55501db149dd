// BladeEnc executable: a BladeEnc-compatible encoder for Tonewright.
//   BladeEnc [-quit] [-<bitrate>] [-MONO] [-CRC] [-DELETE] [-ORIGINAL] [-COPY] [-PRIVATE]
//            [-COPYRIGHT] [-PRIO=IDLE|LOWEST|LOWER|NORMAL|HIGHER|HIGHEST] [--] file...
//   BladeEnc --help | --version
#include "BladeEnc.h"
#include "OutputFile.h"
#include "Usage.h"

#include <unistd.h>

int main(int argc, char* argv[])
{
    // An interrupted run leaves no named temporary file (an unnamed one vanishes by itself).
    bladeenc::InstallTempCleanupOnSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (auto status = bladeenc::AnswerInfoRequest(args, STDOUT_FILENO))
        return *status;
    return bladeenc::RunBladeEnc(args, bladeenc::FdConsole(STDOUT_FILENO, STDERR_FILENO));
}
