#pragma once

#include <QString>

// A service list as the driver fills it: rows of a service number text ("001") and a name,
// inserted at a 1-based position, always in the unmarked style.
class ServiceList
{
public:
    virtual ~ServiceList() = default;
    virtual void insertService(int position, const QString &number, const QString &name) = 0;
};
