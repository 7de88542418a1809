# The documentation of the options that every module of the collection passes
# on to nuv-ipconfig (see plugins/module_utils/tool.py).

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  executable:
    description:
      - The nuv-ipconfig program to run on the managed host.
      - When not given, C(nuv-ipconfig) is looked up on the C(PATH).
    type: path
  interfaces:
    description:
      - The host's network interfaces to look for cameras on.
      - When empty, every interface with an IPv4 address except C(lo).
    type: list
    elements: str
    default: []
  timeout_ms:
    description:
      - How long each discovery waits for the cameras' answers, in milliseconds (100 to 60000).
      - When not given, the tool's default (1000).
    type: int
requirements:
  - nuv-ipconfig on the managed host, with the packet-socket capability (its Debian package
    grants it) or run as root
'''
