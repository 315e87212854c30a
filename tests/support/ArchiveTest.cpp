#include "support/ArchiveTest.h"

#include <unistd.h>

namespace moxtest {

std::string TempFile(const std::string& stem) {
    return testing::TempDir() + "mox_" + stem + "_" + std::to_string(getpid()) + ".qvx";
}

std::string SavedRecords(CmoxCell& cell) {
    std::stringstream out;
    CmoxArchive archive;
    EXPECT_EQ(archive.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
    EXPECT_EQ(archive.Save(cell), 1);
    archive.Close();
    const std::string all = out.str();
    const std::size_t second = all.find("\r\n", all.find("\r\n") + 2);
    return second == std::string::npos ? std::string() : all.substr(second + 2);
}

std::string Text(const Codes& codes) {
    std::string text;
    for (unsigned char code : codes)
        text += (text.empty() ? "" : " ") + std::to_string(code);
    return "[" + text + "]";
}

void GiveUserName(CmoxCompositeCell& group, const char* userName) {
    auto* label = new CmoxStringCell(MOX_USER_NAME, userName);
    label->Savable(0);
    group.AddChild(label, 1);
}

void ArchiveTest::OpenText(const std::string& text, int cacheDepth) {
    m_in.str(text);
    m_in.clear();
    ASSERT_EQ(m_archive.Open(&m_in, MOX_ARCHIVE_READ, cacheDepth), 1);
}

int ArchiveTest::RestoreRecord(const std::string& record, CmoxCell& cell) {
    OpenOn(record);
    EXPECT_EQ(m_archive.ReadToken(), cell.GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(m_archive.ReadToken(), cell.Name());
    cell.RestoreUserName(m_archive);
    return m_archive.Restore(&cell);
}

} // namespace moxtest
