#pragma once

#include "TDAODataset.h"

#include <exception>

// Holds back a dataset's notifications for a scope: everything bound to it is told once, at
// the end, even when the scope ends with an error. An error raised by what is bound (a detail
// query that cannot run) reaches the caller on the normal path; while another error is
// already on its way out, it is dropped so that the first one is reported.
class HeldNotifications
{
public:
    explicit HeldNotifications(TDAODataset& dataSet)
        : m_dataSet(dataSet)
        , m_errorsOnEntry(std::uncaught_exceptions())
    {
        m_dataSet.DisableControls();
    }

    ~HeldNotifications() noexcept(false)
    {
        if (std::uncaught_exceptions() == m_errorsOnEntry) {
            m_dataSet.EnableControls();
            return;
        }
        try {
            m_dataSet.EnableControls();
        } catch (...) {
        }
    }

    HeldNotifications(const HeldNotifications&) = delete;
    HeldNotifications& operator=(const HeldNotifications&) = delete;

private:
    TDAODataset& m_dataSet;
    int m_errorsOnEntry;
};
