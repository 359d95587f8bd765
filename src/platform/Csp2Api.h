// SPDX-License-Identifier: MIT
/* The C interface of the OPN-2001 communication library: plain functions
 * with 32-bit integer arguments, byte buffers passed by the address of their
 * first byte, and a signed 32-bit result. The program binds these names at
 * run time; the virtual scanner library implements them. */
#ifndef QUARNEL_SCANNER_CSP2API_H
#define QUARNEL_SCANNER_CSP2API_H

#include <stdint.h>

typedef int32_t Csp2Long; /* every argument and result */
typedef uint8_t Csp2Byte; /* buffer element */

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the connection on COM port comPort; 0 when open. */
Csp2Long csp2InitEx(Csp2Long comPort);
/* Closes the connection. */
Csp2Long csp2Restore(void);
/* Greater than 0 while the scanner holds barcodes. */
Csp2Long csp2DataAvailable(void);
/* Fetches the stored barcodes into the library; their number. */
Csp2Long csp2ReadData(void);
/* Copies packet number index (from 0) into packet; 0 or more on success. */
Csp2Long csp2GetPacket(Csp2Byte* packet, Csp2Long index, Csp2Long capacity);
/* Writes the NUL-ended name of a symbology code id; negative when unknown. */
Csp2Long csp2GetCodeType(Csp2Long codeId, Csp2Byte* name, Csp2Long capacity);
/* Empties the scanner's barcode memory. */
Csp2Long csp2ClearData(void);
/* 0 when the scanner answers. */
Csp2Long csp2Interrogate(void);
Csp2Long csp2GetProtocol(void);
/* 0: battery good; other values: battery low. */
Csp2Long csp2GetSystemStatus(void);
/* Writes the NUL-ended software version; the bytes written, NUL included. */
Csp2Long csp2GetSwVersion(Csp2Byte* version, Csp2Long capacity);
/* Writes the 8 identity bytes. */
Csp2Long csp2GetDeviceId(Csp2Byte* id, Csp2Long capacity);
/* Writes the library's NUL-ended version text; 2 means failure. */
Csp2Long csp2GetDllVersion(Csp2Byte* version, Csp2Long capacity);
/* Puts every parameter back to its factory value; 0 on success. */
Csp2Long csp2SetDefaults(void);
/* One-byte parameters; 0 on success. */
Csp2Long csp2GetParam(Csp2Long paramId, Csp2Byte* value, Csp2Long capacity);
Csp2Long csp2SetParam(Csp2Long paramId, Csp2Byte* value, Csp2Long length);
/* The clock as 6 bytes: second, minute, hour, day, month, year - 2000. */
Csp2Long csp2GetTime(Csp2Byte* clock);
Csp2Long csp2SetTime(Csp2Byte* clock);

#ifdef __cplusplus
}
#endif

#endif
