#include "skinmanager.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace {

using ColorTable = QHash<QString, QString>;

const QRegularExpression& ColorDefinition() {
    // "@name = #rrggbb;" on a line of its own: the skin's default colours.
    static const QRegularExpression re(
        QStringLiteral("^\\s*@([A-Za-z][A-Za-z0-9_]*)\\s*=\\s*(#[0-9A-Fa-f]{6})\\s*;?\\s*$"));
    return re;
}

bool ReadTextFile(const QString& path, QString* text) {
    const QFileInfo info(path);
    if (info.fileName().isEmpty() || !info.isFile()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    *text = QString::fromUtf8(file.readAll());
    return file.error() == QFileDevice::NoError;
}

// Scheme file: an INI whose [Colors] section maps names to #rrggbb. Lines in
// other sections, comments and malformed values are ignored.
ColorTable ReadScheme(const QString& path) {
    ColorTable colors;
    QString text;
    if (!ReadTextFile(path, &text)) return colors;
    static const QRegularExpression entry(
        QStringLiteral("^\\s*([A-Za-z][A-Za-z0-9_]*)\\s*=\\s*(#[0-9A-Fa-f]{6})\\s*$"));
    bool inColors = false;
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#')) continue;
        if (trimmed.startsWith(u'[')) {
            inColors = trimmed.compare(QStringLiteral("[Colors]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inColors) continue;
        const QRegularExpressionMatch m = entry.match(trimmed);
        if (m.hasMatch()) colors.insert(m.captured(1).toLower(), m.captured(2));
    }
    return colors;
}

// Takes the definitions out of the sheet, lays the scheme over them and puts
// the colours in place of the @name references. False when the sheet refers
// to a colour nobody defined: Qt would reject the whole sheet anyway.
bool ExpandSheet(const QString& source, const ColorTable& scheme, QString* sheet) {
    static const QRegularExpression comment(QStringLiteral("/\\*.*?\\*/"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QString uncommented = source;
    uncommented.remove(comment);
    ColorTable colors;
    QStringList body;
    for (const QString& line : uncommented.split(u'\n')) {
        const QRegularExpressionMatch m = ColorDefinition().match(line);
        if (m.hasMatch())
            colors.insert(m.captured(1).toLower(), m.captured(2));
        else
            body.append(line);
    }
    for (auto it = scheme.cbegin(); it != scheme.cend(); ++it) {
        if (colors.contains(it.key())) colors.insert(it.key(), it.value());
    }
    static const QRegularExpression reference(QStringLiteral("@([A-Za-z][A-Za-z0-9_]*)"));
    const QString joined = body.join(u'\n');
    QString out;
    out.reserve(joined.size());
    qsizetype last = 0;
    for (auto it = reference.globalMatch(joined); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const auto found = colors.constFind(m.captured(1).toLower());
        if (found == colors.cend()) return false;
        out += QStringView(joined).mid(last, m.capturedStart() - last);
        out += found.value();
        last = m.capturedEnd();
    }
    out += QStringView(joined).mid(last);
    *sheet = out;
    return true;
}

void ApplySheet(const QString& sheet) {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        app->setStyleSheet(sheet);
}

}  // namespace

SkinManager& SkinManager::Instance() {
    static SkinManager manager;
    return manager;
}

bool SkinManager::LoadSkin(const QString& skinPath, const QString& schemePath) {
    QString source;
    QString sheet;
    if (!ReadTextFile(skinPath, &source) || !ExpandSheet(source, ReadScheme(schemePath), &sheet)) {
        m_skin.clear();
        ApplySheet(QString());
        return false;
    }
    m_skin = skinPath;
    ApplySheet(sheet);
    return true;
}

QString SkinFileForTheme(int theme) {
    switch (theme) {
        case 1:
            return QStringLiteral("WinXP.Luna.cjstyles");
        case 2:
            return QStringLiteral("WinXP.Royale.cjstyles");
        case 3:
            return QStringLiteral("Vista.cjstyles");
        case 4:
            return QStringLiteral("Office2007.cjstyles");
        default:
            return QString();
    }
}
