#pragma once
// TOutputPlan: where each listed file's MP3 goes (beside its source, in one output folder, or in
// that folder below the source's path relative to the deepest folder all listed files share)
// and the encoder arguments that say so: "-OUTDIR=<folder>" when every MP3 goes to one folder,
// "source mp3" pairs otherwise.
#include <QList>
#include <QString>
#include <QStringList>

// The encoder's MP3 name for a source: its name without the last extension, plus ".mp3", in
// folder (the source's own folder when folder is empty). A leading dot is no extension.
QString Mp3PathFor(const QString& source, const QString& folder = {});

// The deepest folder that holds every one of the absolute paths, "/" at least; empty for none.
QString CommonFolder(const QStringList& paths);

class TOutputPlan {
public:
    // sources: absolute paths in list order. outputFolder empty: beside the sources.
    TOutputPlan(const QStringList& sources, const QString& outputFolder, bool keepSubfolders);

    const QStringList& Sources() const { return m_sources; }
    const QStringList& Mp3Paths() const { return m_mp3s; }
    // "-OUTDIR=<folder>" when every MP3 goes to one folder other than the sources', else empty.
    QString Option() const;
    // Per source, in list order, its arguments: the source alone, or the source and its MP3.
    // A run may split the list between groups, never inside one.
    QList<QStringList> FileGroups() const;
    // The option (if any), then every group's arguments.
    QStringList Arguments() const;

    // The plan for the files whose MP3 does not exist yet; the others' sources go to skipped.
    // Their MP3 paths stay what they were in the whole list's plan.
    TOutputPlan WithoutExistingMp3s(QStringList* skipped = nullptr) const;

private:
    TOutputPlan() = default;
    void ChooseArguments();

    QStringList m_sources;
    QStringList m_mp3s;
    QString m_outDir;  // every MP3 in this folder, through -OUTDIR=; else empty
    QList<bool> m_named;  // the source is followed by its MP3 on the command line
};
