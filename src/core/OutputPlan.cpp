// TOutputPlan: the MP3 names follow the encoder's own rule, so what the plan says is where the
// encoder writes.
#include "OutputPlan.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString FolderOfPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString Joined(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

bool EndsInMp3(const QString& argument)
{
    return argument.endsWith(QLatin1StringView(".mp3"), Qt::CaseInsensitive);
}

} // namespace

QString Mp3PathFor(const QString& source, const QString& folder)
{
    const qsizetype nameStart = source.lastIndexOf(u'/') + 1;
    const qsizetype dot = source.lastIndexOf(u'.');
    const QString name = source.mid(nameStart, dot > nameStart ? dot - nameStart : -1) + QStringLiteral(".mp3");
    return Joined(folder.isEmpty() ? FolderOfPath(source) : folder, name);
}

QString CommonFolder(const QStringList& paths)
{
    if (paths.isEmpty())
        return {};
    QStringList common = FolderOfPath(paths.first()).split(u'/', Qt::SkipEmptyParts);
    for (const QString& path : paths) {
        const QStringList parts = FolderOfPath(path).split(u'/', Qt::SkipEmptyParts);
        qsizetype shared = 0;
        while (shared < common.size() && shared < parts.size() && common[shared] == parts[shared])
            ++shared;
        common.resize(shared);
    }
    return u'/' + common.join(u'/');
}

TOutputPlan::TOutputPlan(const QStringList& sources, const QString& outputFolder, bool keepSubfolders)
    : m_sources(sources)
{
    const QString out = outputFolder.isEmpty() ? QString() : QDir::cleanPath(QDir::current().absoluteFilePath(outputFolder));
    const QString common = CommonFolder(sources);
    for (const QString& source : sources) {
        QString folder = out;
        if (!out.isEmpty() && keepSubfolders) {
            const QString below = FolderOfPath(source).mid(common.size()).section(u'/', 0, -1, QString::SectionSkipEmpty);
            if (!below.isEmpty())
                folder = Joined(out, below);
        }
        m_mp3s.append(Mp3PathFor(source, folder));
    }
    ChooseArguments();
}

void TOutputPlan::ChooseArguments()
{
    m_outDir.clear();
    m_named = QList<bool>(m_sources.size(), false);
    bool besideSources = true, oneFolder = true;
    for (qsizetype i = 0; i < m_sources.size(); ++i) {
        besideSources = besideSources && m_mp3s[i] == Mp3PathFor(m_sources[i]);
        oneFolder = oneFolder && FolderOfPath(m_mp3s[i]) == FolderOfPath(m_mp3s.first());
    }
    if (!besideSources && oneFolder)
        m_outDir = FolderOfPath(m_mp3s.first());
    for (qsizetype i = 0; i < m_sources.size(); ++i) {
        // The encoder takes an argument ending in ".mp3" right after an input as that input's
        // MP3: a listed file of such a name after this one must not be read so.
        const bool nextLooksLikeMp3 = i + 1 < m_sources.size() && EndsInMp3(m_sources[i + 1]);
        m_named[i] = (!besideSources && !oneFolder) || nextLooksLikeMp3;
    }
}

QString TOutputPlan::Option() const
{
    return m_outDir.isEmpty() ? QString() : QStringLiteral("-OUTDIR=") + m_outDir;
}

QList<QStringList> TOutputPlan::FileGroups() const
{
    QList<QStringList> groups;
    for (qsizetype i = 0; i < m_sources.size(); ++i)
        groups.append(m_named[i] ? QStringList{m_sources[i], m_mp3s[i]} : QStringList{m_sources[i]});
    return groups;
}

QStringList TOutputPlan::Arguments() const
{
    QStringList arguments;
    if (!m_outDir.isEmpty())
        arguments.append(Option());
    for (const QStringList& group : FileGroups())
        arguments += group;
    return arguments;
}

TOutputPlan TOutputPlan::WithoutExistingMp3s(QStringList* skipped) const
{
    TOutputPlan rest;
    for (qsizetype i = 0; i < m_sources.size(); ++i) {
        if (QFileInfo::exists(m_mp3s[i])) {
            if (skipped)
                skipped->append(m_sources[i]);
            continue;
        }
        rest.m_sources.append(m_sources[i]);
        rest.m_mp3s.append(m_mp3s[i]);
    }
    rest.ChooseArguments();
    return rest;
}
