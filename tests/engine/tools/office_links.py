#!/usr/bin/python3
# Opens a document in LibreOffice the way that updates its links without
# asking (UpdateDocMode QUIET_UPDATE, over UNO) and prints its text: a
# Writer document's whole text, a spreadsheet's first cell. --convert-to
# itself never updates links, so only such a load shows whether the
# profile's link settings hold.
#
# office_links.py <soffice.bin> <profile folder> <document>
import os
import subprocess
import sys
import time

import uno
from com.sun.star.beans import PropertyValue

QUIET_UPDATE = 2


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


office, profile, document = sys.argv[1:4]
pipe = "quilbex_links_%d" % os.getpid()
env = dict(os.environ, HOME=profile)
base = [office, "-env:UserInstallation=" + uno.systemPathToFileUrl(profile), "--headless",
        "--norestore", "--nolockcheck"]
# A new profile is completed by a first start that ends by itself.
subprocess.run(base + ["--terminate_after_init"], env=env, timeout=120,
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
child = subprocess.Popen(base + ["--accept=pipe,name=%s;urp;" % pipe], env=env,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(240):
        try:
            context = resolver.resolve(
                "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            break
        except Exception:
            time.sleep(0.5)
    desktop = context.ServiceManager.createInstanceWithContext(
        "com.sun.star.frame.Desktop", context)
    doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(document), "_blank", 0,
                                       (prop("Hidden", True),
                                        prop("UpdateDocMode", QUIET_UPDATE)))
    if doc.supportsService("com.sun.star.sheet.SpreadsheetDocument"):
        print(doc.getSheets().getByIndex(0).getCellByPosition(0, 0).getString())
    else:
        print(doc.getText().getString())
    doc.close(True)
    try:
        desktop.terminate()
    except Exception:
        pass  # the bridge goes as LibreOffice ends
    child.wait(timeout=60)
finally:
    if child.poll() is None:
        child.kill()
