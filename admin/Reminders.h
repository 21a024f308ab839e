// The reminder window: the domains whose renewal falls within the next 30 days.
#pragma once

void notice();

// The filter of the reminder window, over the dictionary's names.
inline constexpr char kNoticeFilter[] =
    "(dom:renewaldate => today() and dom:renewaldate =< today()+30)";
