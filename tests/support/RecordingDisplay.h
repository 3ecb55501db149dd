#pragma once
// A progress display without a window for the output interpreter's tests: it remembers the last
// text written to each part, and how often each was written.
#include "OutputInterpreter.h"

#include <QString>

#include <map>
#include <string>

class RecordingDisplay : public IProgressDisplay {
public:
    std::map<std::string, QString> Text;
    std::map<std::string, int> Position;
    int Writes = 0;

    void SetStatusText(const QString& t) override { Put("Status", t); }
    void SetStatusEta(const QString& t) override { Put("StatusETA", t); }
    void SetStatusPosition(int p) override { Position["Status"] = p; ++Writes; }
    void SetBatchText(const QString& t) override { Put("Batch", t); }
    void SetBatchEta(const QString& t) override { Put("BatchETA", t); }
    void SetBatchPosition(int p) override { Position["Batch"] = p; ++Writes; }
    void SetWorking(const QString& t) override { Put("Working", t); }
    void SetInput(const QString& t) override { Put("Input", t); }
    void SetOutput(const QString& t) override { Put("Output", t); }
    void SetTitle(const QString& t) override { Put("Title", t); }
    void SetTrayHint(const QString& t) override { Put("Hint", t); }

private:
    void Put(const char* key, const QString& t)
    {
        Text[key] = t;
        ++Writes;
    }
};
