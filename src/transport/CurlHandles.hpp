#pragma once
// libcurl's handle types, declared as curl/curl.h and curl/multi.h declare
// them, so that headers can hold a handle without bringing libcurl's whole
// interface to everything that includes them. Sources that call libcurl
// include its headers themselves.
typedef void CURL;
typedef void CURLSH;
typedef void CURLM;
