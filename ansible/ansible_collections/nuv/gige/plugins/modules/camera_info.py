#!/usr/bin/python
# The cameras a managed host sees: runs `nuv-ipconfig list` and returns its
# camera objects as they are, also as the fact nuv_gige_cameras. Only a
# discovery is sent; nothing is written to any camera.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: camera_info
short_description: List the GigE Vision cameras a host sees
description:
  - Broadcasts one discovery on the managed host's networks with C(nuv-ipconfig list) and
    returns every camera that answered, sorted by adapter name, then by address.
  - Also sets the fact C(nuv_gige_cameras) to the same list.
  - Changes nothing; runs the same in check mode.
version_added: "0.9.0"
author:
  - nuv-ipconfig developers
extends_documentation_fragment:
  - action_common_attributes
  - action_common_attributes.facts
  - action_common_attributes.actiongroups
  - nuv.gige.tool
attributes:
  action_group:
    support: full
    membership: [nuv.gige.all]
  check_mode:
    support: full
  diff_mode:
    support: none
  facts:
    support: full
  platform:
    platforms: posix
seealso:
  - module: nuv.gige.camera
'''

EXAMPLES = r'''
- name: Find the cameras on eth1 and eth2
  nuv.gige.camera_info:
    interfaces: [eth1, eth2]
    timeout_ms: 2000
  register: found

- name: Show the cameras outside their adapter's subnet
  ansible.builtin.debug:
    msg: "{{ nuv_gige_cameras | rejectattr('reachable') | map(attribute='mac') | list }}"
'''

RETURN = r'''
cameras:
  description:
    - Every camera that answered, as C(nuv-ipconfig list --json) reports it; empty when none did.
    - Each also has C(mask), C(gateway), C(manufacturer), C(device_version),
      C(manufacturer_info) and C(ip_config) (C(supported) and C(current), lists of
      C(persistent), C(dhcp), C(lla)).
  returned: success
  type: list
  elements: dict
  contains:
    mac:
      description: The camera's MAC address, in lower case.
      type: str
    ip:
      description: The address the camera answered from.
      type: str
    adapter:
      description: The host adapter it answered on (C(name), C(ip), C(mask)).
      type: dict
    model:
      description: The model name.
      type: str
    serial:
      description: The serial number.
      type: str
    user_name:
      description: The user-defined name.
      type: str
    reachable:
      description: False when the camera's address lies outside its adapter's subnet.
      type: bool
  sample:
    - mac: "02:00:00:00:10:11"
      ip: 192.168.10.11
      adapter: {name: eth1, ip: 192.168.10.1, mask: 255.255.255.0}
      model: DEMO-CAM-A
      serial: SN1011
      user_name: cam1
      reachable: true
ansible_facts:
  description: The same list as the fact C(nuv_gige_cameras).
  returned: success
  type: dict
  contains:
    nuv_gige_cameras:
      description: The cameras, as in I(cameras).
      type: list
      elements: dict
tool_warnings:
  description:
    - The tool's warnings, also given to Ansible as warnings. Cameras may be missing from
      I(cameras) when there is one (discovery by UDP only, adapters skipped).
  returned: always
  type: list
  elements: str
  sample: ["cameras answering from outside an adapter's subnet may be missed"]
rc:
  description: The exit status of nuv-ipconfig.
  returned: failure
  type: int
code:
  description: The tool's error code.
  returned: failure
  type: str
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.nuv.gige.plugins.module_utils.tool import (
    fail_with_tool_error,
    run_tool_warned,
    tool_options,
)


def main():
    module = AnsibleModule(argument_spec=tool_options(), supports_check_mode=True)
    rc, document, warnings = run_tool_warned(module, ['list'])
    if rc != 0 or not document.get('ok'):
        fail_with_tool_error(module, rc, document, tool_warnings=warnings)
    for warning in warnings:
        module.warn(warning)
    cameras = document.get('cameras', [])
    module.exit_json(changed=False, cameras=cameras, tool_warnings=warnings,
                     ansible_facts=dict(nuv_gige_cameras=cameras))


if __name__ == '__main__':
    main()
