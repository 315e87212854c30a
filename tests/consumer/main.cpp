// Saves a small tree and finds a value in it again: exit 0 only when that works and the
// headers report the version that was installed.
#include <mox/mox.h>

#include <cstdio>
#include <cstring>
#include <sstream>

int main() {
    if (std::strcmp(MOX_VERSION_STRING, EXPECTED_VERSION) != 0) {
        std::printf("version %s, expected %s\n", MOX_VERSION_STRING, EXPECTED_VERSION);
        return 1;
    }
    CmoxCompositeCell root("Settings");
    root.AddChild(new CmoxLongCell("Gain", 7));
    std::stringstream file;
    CmoxArchive writer;
    writer.Open(&file, MOX_ARCHIVE_WRITE);
    writer.Save(root);
    writer.Close();

    CmoxArchive reader;
    reader.Open(&file, MOX_ARCHIVE_READ, 1);
    CmoxLongCell gain("Gain", 0);
    CmoxFindSpec where("\\Settings", "Gain", 0);
    const int found = reader.Restore(&gain, where);
    std::printf("mox %s: Gain restored as %ld\n", MOX_VERSION_STRING, gain.Value());
    return found == 1 && gain.Value() == 7 ? 0 : 1;
}
