#!/usr/bin/python
# The desired state of one camera: the module writes a one-row address plan
# to a temporary file (removed on every path), runs `nuv-ipconfig apply` on
# it (with --check in check mode) and reports the row. The tool compares what
# the camera stores with what is asked and writes only what differs, so a
# repeated run writes nothing and reports no change.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: camera
short_description: Set how a GigE Vision camera gets its IPv4 address, and its name
description:
  - Brings one camera, found by its MAC address on the managed host's networks, to the
    IP configuration and user-defined name given.
  - Runs C(nuv-ipconfig apply) on the managed host with a one-row plan. The tool reads
    what the camera stores and writes only the settings that differ; an option left out
    leaves that setting as the camera has it.
  - Persistent settings take effect when the camera restarts; see I(restart).
version_added: "0.9.0"
author:
  - nuv-ipconfig developers
options:
  mac:
    description:
      - The camera's MAC address, for example C(02:11:22:33:44:55) (any case, C(-) also accepted).
    type: str
    required: true
  mode:
    description:
      - How the camera gets its address when it starts.
      - C(persistent) uses its stored address, I(ip) and I(mask) when given, otherwise
        the address it already stores.
    type: str
    choices: [persistent, dhcp, lla]
  ip:
    description:
      - The persistent IPv4 address. Only with I(mode=persistent), and together with I(mask).
    type: str
  mask:
    description:
      - The persistent subnet mask. Only together with I(ip).
    type: str
  gateway:
    description:
      - The persistent default gateway, in the subnet of I(ip). Only together with I(ip)
        and I(mask); left out, the gateway is 0.0.0.0.
    type: str
  name:
    description:
      - The camera's user-defined name, 1 to 15 printable ASCII characters.
    type: str
  restart:
    description:
      - Restart the camera when something was written, or when what it runs (its address,
        mask and gateway, or how it got them) differs from what it stores, so that the
        stored settings take effect; then wait until it answers again (see I(restart_wait_s)).
      - A camera that comes back elsewhere than its stored settings lead to fails the task.
      - Never in check mode, where C(changed) then says whether it would restart.
    type: bool
    default: false
  restart_wait_s:
    description:
      - How long to wait for the restarted camera to answer again, in seconds. A camera that
        falls back to LLA may take up to a minute on real hardware.
      - When not given, the tool's default (60).
    type: int
extends_documentation_fragment:
  - action_common_attributes
  - action_common_attributes.actiongroups
  - nuv.gige.tool
attributes:
  action_group:
    support: full
    membership: [nuv.gige.all]
  check_mode:
    support: full
    details: Reads the camera and reports what would change; nothing is written and control of
      the camera is never taken. C(changed) then says whether something would be written.
  diff_mode:
    support: full
    details: I(before) and I(after) hold the settings that change, with their old and new values.
  platform:
    platforms: posix
notes:
  - The address rules of the tool apply; a value it refuses fails the task with its message
    and exit status, before anything is written.
seealso:
  - module: nuv.gige.camera_info
'''

EXAMPLES = r'''
- name: Give the left camera of line 3 a fixed address and a name
  nuv.gige.camera:
    mac: "02:11:22:33:44:55"
    mode: persistent
    ip: 192.168.10.20
    mask: 255.255.255.0
    gateway: 192.168.10.1
    name: line3-left
    restart: true

- name: Let a camera get its address by DHCP, looking only on eth1
  nuv.gige.camera:
    mac: "02:11:22:33:44:56"
    mode: dhcp
    interfaces: [eth1]

- name: Rename a camera with a nuv-ipconfig outside the PATH
  nuv.gige.camera:
    mac: "02:11:22:33:44:57"
    name: spare
    executable: /opt/nuv/bin/nuv-ipconfig
'''

RETURN = r'''
mac:
  description: The camera's MAC address, in lower case.
  returned: when the camera was found
  type: str
  sample: "02:11:22:33:44:55"
ip:
  description: The address the camera answers at (after a restart, where it came back).
  returned: when the camera was found
  type: str
  sample: 192.168.10.11
changes:
  description:
    - The settings that differ (in check mode) or were written, with the old and new value.
    - I(setting) is one of C(mode), C(persistent_ip), C(persistent_mask),
      C(persistent_gateway), C(user_name).
  returned: when the camera was found
  type: list
  elements: dict
  sample: [{"setting": "mode", "from": "lla", "to": "persistent"}]
restart:
  description: How the restart went, when the camera was restarted.
  returned: when restarted
  type: dict
  contains:
    seconds:
      description: The time from the restart request until the camera answered again.
      type: float
    as_expected:
      description: Whether the camera came back where its IP configuration leads one to expect.
      type: bool
  sample: {"seconds": 4.2, "as_expected": true}
done:
  description: The settings written before the camera's row failed.
  returned: failure of the camera's row
  type: list
  elements: str
  sample: ["persistent_ip"]
rc:
  description: The exit status of nuv-ipconfig.
  returned: failure
  type: int
  sample: 3
code:
  description: The tool's error code (C(usage), C(failed), C(not_found), C(no_privilege),
    C(interrupted)).
  returned: failure
  type: str
  sample: not_found
'''

import csv
import io
import ipaddress
import os
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.nuv.gige.plugins.module_utils.tool import (
    fail_with_tool_error,
    run_tool,
    tool_options,
)

PLAN_COLUMNS = ('mac', 'mode', 'ip', 'mask', 'gateway', 'name')
NAME_MAX_CHARS = 15  # the camera's name register holds 16 bytes with the NUL


def option_problem(params):
    """Why the options make no plan row the tool accepts; None when they do."""
    if params['ip'] and params['mode'] != 'persistent':  # mask and gateway need ip
        return 'ip, mask and gateway need mode persistent'
    name = params['name']
    if name is not None and not (0 < len(name) <= NAME_MAX_CHARS
                                 and all(' ' <= c <= '~' for c in name)):
        return 'name must be 1 to %d printable ASCII characters' % NAME_MAX_CHARS
    return None


def plan_text(params):
    """The one-row plan: a header line, then every cell quoted; empty cells keep a setting."""
    text = io.StringIO()
    text.write(','.join(PLAN_COLUMNS) + '\n')
    csv.writer(text, quoting=csv.QUOTE_ALL, lineterminator='\n').writerow(
        [params[column] or '' for column in PLAN_COLUMNS])
    return text.getvalue()


def apply_plan(module):
    """Runs `apply` on a temporary plan file, removed on every path; (rc, document)."""
    fd, path = tempfile.mkstemp(prefix='nuv-gige-plan-', suffix='.csv', dir=module.tmpdir)
    try:
        with os.fdopen(fd, 'w') as plan:
            plan.write(plan_text(module.params))
        return run_tool(module, ['apply', path] + (['--check'] if module.check_mode else []))
    finally:
        os.unlink(path)


def the_row(module, rc, document):
    """The plan's row; ends the module with the tool's error when the plan or the row failed."""
    rows = document.get('rows') or []
    if not rows:
        fail_with_tool_error(module, rc, document)
    row = rows[0]
    if not row.get('ok'):
        done = row.get('done', [])
        error = document.get('error') or {}
        module.fail_json(msg=row.get('error', error.get('message', 'the camera row failed')),
                         rc=rc, code=error.get('code', 'failed'), changed=bool(done), done=done,
                         mac=row.get('mac'), ip=row.get('ip'))
    return row


def row_result(module, row):
    """The module's result for a row that succeeded, with the diff in diff mode."""
    changes = row.get('changes', [])
    changed = bool(changes) if module.check_mode else bool(row.get('changed'))
    result = dict(changed=changed, changes=changes, mac=row.get('mac'), ip=row.get('ip'))
    if module._diff:
        result['diff'] = dict(before=dict((c['setting'], c['from']) for c in changes),
                              after=dict((c['setting'], c['to']) for c in changes))
    return result


def runs_otherwise(camera):
    """True when a `show` camera object runs another configuration than it stores.

    The first enabled method decides (persistent, then DHCP, then LLA): persistent
    runs the stored address, mask and gateway; DHCP runs neither a link-local nor
    the stored persistent address; LLA runs a link-local address.
    """
    enabled = camera['ip_config']['current']
    stored = camera.get('persistent') or {}
    if 'persistent' in enabled:
        return any(camera.get(key) != stored.get(key) for key in ('ip', 'mask', 'gateway'))
    link_local = ipaddress.ip_address(camera['ip']) in ipaddress.ip_network('169.254.0.0/16')
    if 'dhcp' in enabled:
        return link_local or camera['ip'] == stored.get('ip')
    return not link_local


def needs_restart(module, result):
    """Whether restarting puts into effect what the camera stores (read by `show`)."""
    if result['changed']:
        return True
    rc, document = run_tool(module, ['show', result['mac']])
    if rc != 0 or not document.get('ok'):
        fail_with_tool_error(module, rc, document, **result)
    return runs_otherwise(document['camera'])


def restart_camera(module, result):
    """Restarts the camera and waits for it; the result gains where it came back.

    Ends the module when the camera came back elsewhere than its stored settings lead to.
    """
    arguments = ['restart', result['mac']]
    if module.params['restart_wait_s'] is not None:
        arguments += ['--wait-s', str(module.params['restart_wait_s'])]
    rc, document = run_tool(module, arguments)
    if rc != 0 or not document.get('ok'):
        fail_with_tool_error(module, rc, document, **result)
    result.update(changed=True, ip=document['camera']['ip'], restart=document['restart'])
    asked = module.params['ip']
    if not document['restart'].get('as_expected', True) or asked not in (None, result['ip']):
        module.fail_json(msg='camera %s came back at %s, not where its settings lead (%s)'
                         % (result['mac'], result['ip'],
                            document['restart'].get('expected', asked)), **result)


def main():
    options = tool_options()
    options.update(
        mac=dict(type='str', required=True),
        mode=dict(type='str', choices=['persistent', 'dhcp', 'lla']),
        ip=dict(type='str'),
        mask=dict(type='str'),
        gateway=dict(type='str'),
        name=dict(type='str'),
        restart=dict(type='bool', default=False),
        restart_wait_s=dict(type='int'),
    )
    module = AnsibleModule(argument_spec=options, supports_check_mode=True,
                           required_together=[('ip', 'mask')],
                           required_by=dict(gateway=('ip', 'mask')))
    problem = option_problem(module.params)
    if problem:
        module.fail_json(msg=problem)
    rc, document = apply_plan(module)
    result = row_result(module, the_row(module, rc, document))
    if module.params['restart'] and needs_restart(module, result):
        if module.check_mode:
            result['changed'] = True
        else:
            restart_camera(module, result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
