#pragma once

#include "EDatabaseError.h"

// A picture that was refused: the text says why, in the words the program shows.
class EPictureError : public EDatabaseError
{
public:
    using EDatabaseError::EDatabaseError;
};
