# The modules with the tool's runs faked at AnsibleModule.run_command: what
# they hand the tool and what they make of its JSON. Run by tests/check.sh.
import contextlib
import io
import json
import os
import tempfile
import unittest
from unittest import mock

from ansible.module_utils import basic
from ansible_collections.nuv.gige.plugins.modules import camera, camera_info

MAC = '02:00:00:00:00:11'
CHANGES = [{'setting': 'mode', 'from': 'lla', 'to': 'persistent'},
           {'setting': 'user_name', 'from': 'old', 'to': 'a "b", c'}]
RESTARTED = {'ok': True, 'camera': {'mac': MAC, 'ip': '169.254.3.4'}, 'restart': {'seconds': 3.5}}


def shown(ip, *current):
    """A show document: the camera runs `ip` and stores `current` and 10.0.0.11."""
    return {'ok': True, 'camera': {'ip': ip, 'ip_config': {'current': list(current)},
                                   'persistent': {'ip': '10.0.0.11'}}}


def applied(**row):
    """An apply document with one row: line 2 of the plan, camera MAC at 10.0.0.11."""
    return {'ok': True, 'rows': [dict(dict(line=2, mac=MAC, ip='10.0.0.11', ok=True), **row)]}


class ModulesTest(unittest.TestCase):
    def run_module(self, module, args, answers, check=False):
        """`module` run with `args` in diff mode, the tool answering each command with
        answers[command] (rc, document or text, stderr if any): its result, calls, plans."""
        calls, plans = [], []

        def tool(_, command, **unused):
            calls.append(' '.join(command[1:]))
            if command[1] == 'apply':
                with open(command[2]) as plan:
                    plans.append(plan.read())
            rc, out, err = (answers[command[1]] + ('',))[:3]
            return rc, out if isinstance(out, str) else json.dumps(out), err

        tmpdir = self.enterContext(tempfile.TemporaryDirectory())
        basic._ANSIBLE_ARGS = json.dumps({'ANSIBLE_MODULE_ARGS': dict(
            args, executable='nuv-ipconfig', _ansible_check_mode=check, _ansible_diff=True,
            _ansible_tmpdir=tmpdir)}).encode()
        out = io.StringIO()
        with mock.patch.object(basic.AnsibleModule, 'run_command', tool), \
                contextlib.redirect_stdout(out), self.assertRaises(SystemExit):
            module.main()
        self.assertEqual(os.listdir(tmpdir), [])  # the plan file is gone
        return json.loads(out.getvalue()), calls, plans

    def test_plan_row_quotes_every_cell_and_the_diff_holds_the_changes(self):
        result, calls, plans = self.run_module(camera, dict(
            mac=MAC, mode='persistent', ip='10.0.0.50', mask='255.0.0.0', gateway='10.0.0.1',
            name='a "b", c', interfaces=['eth1', 'eth2'], timeout_ms=500),
            {'apply': (0, applied(changed=True, changes=CHANGES))})
        self.assertEqual(plans, ['mac,mode,ip,mask,gateway,name\n"%s","persistent","10.0.0.50",'
                                 '"255.0.0.0","10.0.0.1","a ""b"", c"\n' % MAC])
        self.assertRegex(calls[0], r'^apply \S+\.csv --json --interface eth1 --interface eth2 '
                                   r'--timeout-ms 500$')
        self.assertEqual(result['diff'], {'before': {'mode': 'lla', 'user_name': 'old'},
                                          'after': {'mode': 'persistent', 'user_name': 'a "b", c'}})
        self.assertEqual((result['changed'], result['changes']), (True, CHANGES))

    def test_changed_means_written_or_in_check_mode_would_be_and_restart_follows_a_write(self):
        cases = [(False, True, CHANGES, True), (False, False, [], False),
                 (True, False, CHANGES, True), (True, False, [], False)]
        for check, written, changes, changed in cases:
            with self.subTest(check=check, changes=changes):
                result, calls, _ = self.run_module(
                    camera, dict(mac=MAC, mode='lla', restart=True, restart_wait_s=90),
                    {'apply': (0, applied(changed=written, changes=changes)),
                     'show': (0, shown('169.254.1.2', 'lla')), 'restart': (0, RESTARTED)}, check)
                self.assertEqual(result['changed'], changed)
                self.assertEqual(calls[0].endswith('--check --json'), check)
                restarts = ['restart %s --wait-s 90 --json' % MAC] if written else (
                    [] if changes else ['show %s --json' % MAC])
                self.assertEqual(calls[1:], restarts)
                self.assertEqual(result['ip'], '169.254.3.4' if written else '10.0.0.11')

    def test_a_camera_running_other_than_it_stores_is_restarted_though_nothing_was_written(self):
        for ip, current, restarted in [
                ('169.254.1.2', 'lla', False), ('10.0.0.11', 'lla', True),
                ('10.0.0.11', 'dhcp', True),
                ('10.0.0.12', 'persistent', True), ('10.0.0.11', 'persistent', False)]:
            with self.subTest(ip=ip, current=current):
                result, calls, _ = self.run_module(camera, dict(mac=MAC, restart=True), {
                    'apply': (0, applied()), 'show': (0, shown(ip, current)),
                    'restart': (0, RESTARTED)})
                self.assertEqual((result['changed'], len(calls)), (restarted, 2 + restarted))

    def test_camera_back_elsewhere_than_asked_fails_the_task(self):
        elsewhere = dict(RESTARTED, restart={'as_expected': False, 'expected': '10.0.0.50'})
        for args, answer in [({}, elsewhere), (dict(ip='10.0.0.50', mask='255.0.0.0'), RESTARTED)]:
            with self.subTest(args=args):
                result = self.run_module(
                    camera, dict(args, mac=MAC, mode='persistent', restart=True),
                    {'apply': (0, applied(changed=True)), 'restart': (0, answer)})[0]
                self.assertEqual((result['failed'], result['ip']), (True, '169.254.3.4'))

    def test_failures_carry_the_tools_message_exit_status_and_code_or_come_before_it(self):
        refused = applied(ok=False, error='camera refused', done=['persistent_ip'])
        refused.update(ok=False, error={'code': 'failed', 'message': '1 row failed'})
        unanswered = {'ok': False, 'error': {'code': 'not_found', 'message': 'p:2: gone'}}
        for args, answer, expected in [
                (dict(name='x'), (3, unanswered), dict(msg='p:2: gone', rc=3, code='not_found')),
                (dict(name='x'), (1, refused), dict(msg='camera refused', rc=1, code='failed',
                                                    changed=True, done=['persistent_ip'])),
                (dict(name='x'), (134, 'crashed'),
                 dict(msg='nuv-ipconfig printed no JSON document: crashed', rc=134)),
                (dict(mode='dhcp', ip='10.0.0.2', mask='255.0.0.0'), None,
                 dict(msg='ip, mask and gateway need mode persistent', rc=None)),
                (dict(name='two\nlines'), None,
                 dict(msg='name must be 1 to 15 printable ASCII characters', rc=None))]:
            with self.subTest(expected['msg']):
                result = self.run_module(camera, dict(args, mac=MAC), {'apply': answer})[0]
                self.assertTrue(result['failed'])
                self.assertEqual(dict((k, result.get(k)) for k in expected), expected)

    def test_info_returns_the_list_as_cameras_and_facts(self):
        cameras = [{'mac': MAC, 'ip': '10.0.0.11', 'reachable': True}]
        result, calls, _ = self.run_module(camera_info, dict(interfaces=['eth1']),
                                           {'list': (0, {'ok': True, 'cameras': cameras})}, True)
        self.assertEqual(calls, ['list --json --interface eth1'])
        self.assertEqual((result['changed'], result['cameras'], result['ansible_facts']),
                         (False, cameras, {'nuv_gige_cameras': cameras}))

    def test_info_passes_the_tools_warnings_on_so_a_partial_list_is_not_taken_as_whole(self):
        stderr = 'warning: adapter wg0: no IPv4 address\nno camera found\nwarning: by UDP only\n'
        result = self.run_module(camera_info, {}, {'list': (0, {'ok': True}, stderr)})[0]
        expected = ['adapter wg0: no IPv4 address', 'by UDP only']
        self.assertEqual((result['tool_warnings'], result['warnings']), (expected, expected))


if __name__ == '__main__':
    unittest.main()
