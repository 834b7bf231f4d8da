#include "ZoomState.h"

ZoomState& ZoomState::current()
{
    static ZoomState state;
    return state;
}
