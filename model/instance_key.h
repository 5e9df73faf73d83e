#pragma once
// The single-instance key: the mutex name of the running installer and the
// window class of its hidden channel window.

constexpr const wchar_t* kInstanceKey = L"{2266E930-7040-4A6B-B7C8-E44663785Bdd}";
// The channel's request to show the main window.
constexpr unsigned int kShowRequestMessage = 11123;
