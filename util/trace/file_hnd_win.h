// file_hnd: the owner of one operating-system file handle, opened with a compact mode word.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Results are reported as false or -1, and for open() in last_error(); nothing throws
// except the strings used. One thread at a time.
class file_hnd {
public:
    // Mode word of open(). Access (mask 0x3): read, write or both; 0x3 is invalid.
    static constexpr int mode_read = 0x0000;
    static constexpr int mode_write = 0x0001;
    static constexpr int mode_read_write = 0x0002;
    // Disposition (mask 0x700): none or exclusive alone opens an existing file; create
    // opens always; truncate (with or without exclusive) truncates an existing file;
    // create + truncate creates always; create + exclusive creates a new file only.
    static constexpr int mode_create = 0x0100;
    static constexpr int mode_truncate = 0x0200;
    static constexpr int mode_exclusive = 0x0400;
    static constexpr int mode_random = 0x0010;
    static constexpr int mode_sequential = 0x0020; // the default when neither is given
    static constexpr int mode_temporary = 0x0040;  // delete on close; needs mode_create
    static constexpr int mode_no_inherit = 0x0080;
    static constexpr int mode_short_lived = 0x1000;
    static constexpr int mode_text = 0x4000;   // no effect on the handle
    static constexpr int mode_binary = 0x8000; // the default when neither is given
    static constexpr int mode_write_through = 0x10000;

    // Share argument: what others may do meanwhile; share_delete may be added to any.
    static constexpr int share_exclusive = 0x10;
    static constexpr int share_read = 0x20;
    static constexpr int share_write = 0x30;
    static constexpr int share_read_write = 0x40;
    static constexpr int share_delete = 0x100;

    // How the last line read ended (line_end()).
    static constexpr int end_of_file = 0;
    static constexpr int end_lf = 1;
    static constexpr int end_cr = 2;
    static constexpr int end_cr_lf = 3;

    file_hnd() = default;
    file_hnd(const file_hnd&) = delete;
    file_hnd& operator=(const file_hnd&) = delete;

    virtual std::uint64_t size();
    virtual bool close();
    // read_line, then converted from the thread's ANSI code page.
    virtual bool read_line_wide(std::wstring& out);
    // Line ends are not stored; true when a line was read (also a last line without an
    // end). A failed read ends the line and gives false.
    virtual bool read_line(std::string& out);
    // Closes any open handle first. False with last_error() -1 for an invalid mode word
    // or share argument, or with the system error code when CreateFileW fails.
    virtual bool open(const std::wstring& name, int mode_word, int share);
    virtual ~file_hnd();
    // origin 0 begin, 1 current, 2 end. The new position or -1. Drops a held-back byte;
    // a distance from the current position counts from the logical position, before
    // the held-back byte.
    virtual std::int64_t seek(std::int64_t distance, int origin);
    // The logical position: a held-back byte is not yet read. -1 on error.
    virtual std::int64_t tell();
    // Bytes read (a held-back byte first, counted), 0 at end of file or for a count
    // of 0 or less, -1 on error or when not open for reading.
    virtual int read(char* buffer, int count);
    // Bytes written, -1 on error or when not open for writing; a count of 0 or less
    // writes nothing.
    virtual int write(const char* data, int count);
    virtual bool truncate();
    virtual bool commit();
    virtual bool write_text_wide(const std::wstring& text);
    virtual bool write_text(const std::string& text);
    virtual bool write_char_wide(wchar_t ch);
    virtual bool write_char(char ch);
    virtual bool read_char_wide(wchar_t& out);
    virtual bool read_char(char& out);

    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE handle() const { return handle_; }
    int last_error() const { return last_error_; }
    int line_end() const { return static_cast<int>(line_end_); }
    bool holds_pushback() const { return (mode_ & held_byte) != 0; }

private:
    static constexpr std::uint8_t open_read = 0x01;
    static constexpr std::uint8_t open_write = 0x02;
    static constexpr std::uint8_t held_byte = 0x04;

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    int last_error_ = 0;
    std::uint8_t line_end_ = 0;
    std::uint8_t mode_ = 0;
    char pushback_ = 0;
};
