// libFuzzer target: arbitrary response bytes, in arbitrary chunks, into the HTTP client.
#include "HttpFuzzDriver.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return HttpFuzzOneInput(data, size);
}
