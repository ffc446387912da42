#pragma once

#include "engine/api/OutputChoice.h"
#include "engine/api/Status.h"

#include <QDialog>

#include <functional>

/// What an option dialog asks the engine of an output it is about to give back.
using OutputCheck = std::function<engine::Status(const engine::OutputChoice &)>;
using OutputDescription = std::function<engine::Result<QString>(const engine::OutputChoice &)>;

/// An option dialog edits its own copy of the output it was opened with; whoever opened it
/// takes output() back once it was accepted, so Cancel changes nothing anywhere.
class OutputDialog : public QDialog
{
public:
    const engine::OutputChoice &output() const { return m_output; }

protected:
    OutputDialog(const engine::OutputChoice &output, QWidget *parent)
        : QDialog(parent), m_output(output)
    {}

    engine::OutputChoice m_output;
};
