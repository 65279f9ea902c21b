// The simple edition in each language: every tab and its messages in English
// carry no Chinese, and in both languages no caption is cut off and no
// controls overlap.

#include <gtest/gtest.h>

#include "ctabsheet.h"
#include "simplefixture.h"
#include "text_walk.h"

namespace {

TEST_F(SimpleWindowTest, EveryTabInTheLanguageAndEveryCaptionFits) {
    WriteConfig();
    for (TextLanguage language : {TextLanguage::Chinese, TextLanguage::English}) {
        SCOPED_TRACE(language == TextLanguage::English ? "English" : "Chinese");
        ScopedLanguage scoped(language);
        m_messages.clear();
        CQuillonDlg& window = OpenWindow();
        Click(Page().readConfigButton());
        Click(Page().openPortButton());  // closes the port the window opened
        Click(Page().readConfigButton());
        ASSERT_FALSE(m_messages.messages().isEmpty());
        QStringList texts = m_messages.messages();
        for (int tab = 0; tab < window.tabSheet()->count(); ++tab) {
            window.tabSheet()->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            SCOPED_TRACE(tab);
            EXPECT_EQ(LayoutFaults(&window).join('\n').toStdString(), "");
            texts << VisibleTexts(&window);
        }
        if (language == TextLanguage::English)
            EXPECT_EQ(HanTexts(texts).join('\n').toStdString(), "");
        else
            EXPECT_FALSE(HanTexts(texts).isEmpty());
        m_window.reset();
    }
}

}  // namespace
