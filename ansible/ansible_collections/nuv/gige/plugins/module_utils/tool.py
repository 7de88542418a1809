# Runs nuv-ipconfig on the managed host with --json and reads the one JSON
# document it prints on stdout whatever the outcome. A run that prints no such
# document ends the module with fail_json; every other outcome is the caller's
# to judge. The tool's "warning: " lines on stderr (UDP-only discovery,
# adapters skipped: a list that may be incomplete) are returned beside the
# document. Failures are reported with the tool's own message, its exit status
# as "rc" and its error code as "code".

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

TOOL_NAME = 'nuv-ipconfig'


def tool_options():
    """The options every module of the collection passes on to the tool."""
    return dict(
        executable=dict(type='path'),
        interfaces=dict(type='list', elements='str', default=[]),
        timeout_ms=dict(type='int'),
    )


def discovery_arguments(params):
    """--interface and --timeout-ms arguments for the options that name them."""
    arguments = []
    for name in params['interfaces']:
        arguments += ['--interface', name]
    if params['timeout_ms'] is not None:
        arguments += ['--timeout-ms', str(params['timeout_ms'])]
    return arguments


WARNING_PREFIX = 'warning: '


def run_tool(module, arguments):
    """run_tool_warned without the warnings: (rc, document)."""
    rc, document, _ = run_tool_warned(module, arguments)
    return rc, document


def run_tool_warned(module, arguments):
    """Runs the tool with `arguments`, --json and the discovery options.

    Returns (rc, document, warnings), the warnings without their prefix; fails
    the module when stdout is no JSON object.
    """
    executable = module.params['executable'] or module.get_bin_path(TOOL_NAME, required=True)
    command = [executable] + arguments + ['--json'] + discovery_arguments(module.params)
    rc, out, err = module.run_command(command)
    try:
        document = json.loads(out)
    except ValueError:
        document = None
    if not isinstance(document, dict):
        module.fail_json(msg='%s printed no JSON document: %s' % (TOOL_NAME, (err or out).strip()),
                         rc=rc, stdout=out, stderr=err)
    warnings = [line[len(WARNING_PREFIX):] for line in (err or '').splitlines()
                if line.startswith(WARNING_PREFIX)]
    return rc, document, warnings


def fail_with_tool_error(module, rc, document, **result):
    """Ends the module with the "error" member of a failure document."""
    error = document.get('error') or {}
    module.fail_json(msg=error.get('message', '%s failed without a message' % TOOL_NAME),
                     code=error.get('code', 'failed'), rc=rc, **result)
