#pragma once

#include <QString>

// The skinning layer. A skin file is a Qt style sheet; a scheme file is a
// small INI of colour overrides ([Colors] name=#rrggbb) substituted for
// @name placeholders in the sheet. An empty skin name means no sheet (the
// plain look); a missing or unreadable file leaves the plain look.
class SkinManager {
public:
    static SkinManager& Instance();

    void SetApplyOptions(int options) { m_options = options; }
    int GetApplyOptions() const { return m_options; }

    // Full paths (folder + name). Returns true when a skin was applied,
    // false when the plain look is in force afterwards.
    bool LoadSkin(const QString& skinPath, const QString& schemePath = QString());
    const QString& CurrentSkin() const { return m_skin; }

private:
    int m_options = 0;
    QString m_skin;
};

// Skin file of a theme radio value: 1 Luna, 2 Royale, 3 Vista, 4 Office 2007;
// any other value gives an empty name (Default).
QString SkinFileForTheme(int theme);
