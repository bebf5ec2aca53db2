#pragma once
// The user agent of the requests that carry no unit's identity: a request made without a
// card, or for a user that is not registered on this PC.

const char KESTRUM_FIXED_USER_AGENT[] = "12FerroxPA/2.000000";
const wchar_t KESTRUM_FIXED_USER_AGENT_W[] = L"12FerroxPA/2.000000";
