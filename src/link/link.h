// The link to the instrument: the only code that talks to the driver. Plain byte stream, reads with time
// limits.
#pragma once

#include "link/driver.h"

inline constexpr int LINK_TIMEOUT = -1;  // nothing arrived within the limit (LinkPollByte: nothing queued)
inline constexpr int LINK_FAILED = -2;   // a driver call failed
inline constexpr unsigned SEND_STAGING_SIZE = 1024;

extern DeviceHandle deviceHandle;
extern unsigned char sendStaging[SEND_STAGING_SIZE];

int LinkOpen();
int LinkClose();
int LinkSendByte(int value);
int LinkSendText(const void* source, unsigned length);
int LinkQueuedBytes();
int LinkPollByte();
int LinkReadByte(unsigned limitMs);
int LinkReadBlock(void* destination, unsigned length, unsigned limitMs);
