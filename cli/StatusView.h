#pragma once

#include <wx/string.h>

#include <cstdio>

// Where the fetch shows its rows' statuses on standard output. A failed
// write is remembered (its errno) and ends all further output.
class StatusView
{
public:
    virtual ~StatusView() = default;

    // A status of `row`, as the job posted it or the run gave it.
    virtual void Status(int row, const wxString& text) = 0;
    // `row` has its last status.
    virtual void Ended(int /*row*/) {}
    // Nothing more is waiting to be shown for now.
    virtual void Idle() {}

    int Error() const { return error; }

protected:
    bool Write(const std::string& bytes);

private:
    int error = 0;
};

// Every status as one line "ROW<TAB>TEXT", in the order given: for a
// program or file reading the output.
class LinePrinter : public StatusView
{
public:
    void Status(int row, const wxString& text) override;
};
