#pragma once

#include "TDAODataset.h"

// Holds back a dataset's notifications for a scope: everything bound to it is told once, at
// the end, even when the scope ends with an error.
class HeldNotifications
{
public:
    explicit HeldNotifications(TDAODataset& dataSet)
        : m_dataSet(dataSet)
    {
        m_dataSet.DisableControls();
    }
    ~HeldNotifications() { m_dataSet.EnableControls(); }
    HeldNotifications(const HeldNotifications&) = delete;
    HeldNotifications& operator=(const HeldNotifications&) = delete;

private:
    TDAODataset& m_dataSet;
};
