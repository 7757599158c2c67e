// libcups opened on the first print rather than with the module: it brings GnuTLS, Kerberos, Avahi and
// D-Bus along, whose loading would otherwise cost every process a few milliseconds, printing or not.
#pragma once

#include <cups/cups.h>

namespace tavlen::win::detail {

// The libcups calls printing makes.
struct CupsLibrary {
  decltype(&cupsAddOption) addOption;
  decltype(&cupsFreeOptions) freeOptions;
  decltype(&cupsCreateJob) createJob;
  decltype(&cupsStartDocument) startDocument;
  decltype(&cupsWriteRequestData) writeRequestData;
  decltype(&cupsFinishDocument) finishDocument;
  decltype(&cupsCancelJob2) cancelJob;
  decltype(&cupsGetNamedDest) getNamedDest;
  decltype(&cupsFreeDests) freeDests;
  decltype(&cupsCopyDestInfo) copyDestInfo;
  decltype(&cupsFreeDestInfo) freeDestInfo;
  decltype(&cupsGetDestMediaDefault) getDestMediaDefault;
};

// Opens libcups once for the life of the process; null when it is not installed or lacks one of the
// calls, and printing to CUPS destinations then fails as a destination that cannot be reached would.
const CupsLibrary* Cups();

}  // namespace tavlen::win::detail
