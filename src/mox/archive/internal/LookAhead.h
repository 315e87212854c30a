#pragma once
// The look-ahead restores' way back: whatever a look-ahead reads, the archive ends up where it
// started.

#include <mox/archive/CmoxArchive.h>

#include <ios>
#include <istream>

// Notes the read position, line and indentation of a read-mode archive, and puts them back when
// it goes out of scope, also when a cell throws something other than a restore error. A stream
// that cannot tell its position cannot be moved back to it: Positioned() is then false, and the
// caller must read nothing.
class CmoxArchive::LookAhead {
  public:
    explicit LookAhead(CmoxArchive& archive)
        : m_archive(archive), m_stream(archive.m_current),
          m_start(m_stream->rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in)),
          m_line(archive.m_line), m_indent(archive.m_indent) {}
    LookAhead(const LookAhead&) = delete;
    LookAhead& operator=(const LookAhead&) = delete;

    ~LookAhead() {
        if (!Positioned()) return;
        m_stream->clear();
        m_stream->rdbuf()->pubseekpos(m_start, std::ios::in);
        m_stream->clear();
        m_archive.m_line = m_line;
        m_archive.m_indent = m_indent;
    }

    bool Positioned() const { return m_start != std::streampos(std::streamoff(-1)); }

  private:
    CmoxArchive& m_archive;
    std::iostream* m_stream;
    std::streampos m_start;
    int m_line;
    int m_indent;
};
